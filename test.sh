#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs the whole suite (GUI
# tests under Xvfb). FH_WERROR=ON (as CI sets it) fails the build on any warning.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh" --test
"$top/scripts/build.sh" -DFH_WERROR="${FH_WERROR:-OFF}"
cd "${BUILD_DIR:-$top/build}"
export NO_AT_BRIDGE=1
exec xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure --no-tests=error --timeout 300 -j2 "$@"
