#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR).
#   scripts/build.sh [--program] [--quiet] [CMAKE ARGS...]
# --program builds only the programs (target `programs`), not the tests;
# --quiet keeps the compiler's output in build/build.log and shows its end
# only on failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
targets=()
quiet=false
while [ $# -gt 0 ]; do
  case "$1" in
    --program) targets=(--target programs) ;;
    --quiet) quiet=true ;;
    *) break ;;
  esac
  shift
done
launcher=()
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

run() {
  if $quiet; then
    "$@" >>"$build/build.log" 2>&1 || {
      echo "Build failed; the end of $build/build.log:" >&2
      tail -n 40 "$build/build.log" >&2
      exit 1
    }
  else
    "$@"
  fi
}
mkdir -p "$build"
: >"$build/build.log"
run cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${launcher[@]}" "$@" >/dev/null
run cmake --build "$build" -j"$(nproc)" "${targets[@]}"
