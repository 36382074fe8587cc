#!/usr/bin/env bash
# Runs the test suite under a sanitizer build.
#   scripts/sanitize.sh asan [ctest args]   AddressSanitizer + UBSan, whole suite
#   scripts/sanitize.sh tsan [ctest args]   ThreadSanitizer, whole suite
# Any sanitizer report fails the run. Line tables (-g1) are all the reports
# need, and build in about two thirds of the time of full debug information.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: sanitize.sh asan|tsan [ctest args]}
shift
"$top/scripts/install-deps.sh" --test
case "$kind" in
  asan)
    build=$top/build-asan
    BUILD_DIR=$build BUILD_TYPE=Debug "$top/scripts/build.sh" -DFH_ASAN=ON -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DFH_WERROR="${FH_WERROR:-OFF}"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
    export LSAN_OPTIONS=suppressions=$top/scripts/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    default=()
    ;;
  tsan)
    build=$top/build-tsan
    BUILD_DIR=$build BUILD_TYPE=Debug "$top/scripts/build.sh" -DFH_TSAN=ON -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DFH_WERROR="${FH_WERROR:-OFF}"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$top/scripts/tsan.supp"
    default=()
    ;;
  *) echo "unknown sanitizer: $kind" >&2; exit 64 ;;
esac
cd "$build"
export NO_AT_BRIDGE=1
[ $# -gt 0 ] || set -- "${default[@]}"
exec xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure --timeout 600 -j2 "$@"
