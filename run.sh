#!/usr/bin/env bash
# Installs what is missing, builds, and starts FolioHarvester.
#   ./run.sh          the program with your own settings (~/.FolioHarvester)
#   ./run.sh --demo   offline demo against the local office simulator
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$top/build}
"$top/scripts/install-deps.sh"
if [ -f "$build/CMakeCache.txt" ]; then
  echo "Building…"
else
  echo "Building (first time: a few minutes)…"
fi
# Warnings never stop this build; only CI turns them into errors.
"$top/scripts/build.sh" --program --quiet -DFH_WERROR=OFF
if [ "${1:-}" = "--demo" ]; then
  shift
  if [ -n "${DISPLAY:-}" ]; then
    echo "Starting $build/folioharvester against the office simulator"
  else
    echo "Starting $build/folioharvester-cli against the office simulator"
  fi
  exec "$top/scripts/demo.sh" "$@"
fi
echo "Starting $build/folioharvester"
exec "$build/folioharvester" "$@"
