#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite (GUI tests under Xvfb).
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
cd "${BUILD_DIR:-$top/build}"
export NO_AT_BRIDGE=1
exec xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure --timeout 300 -j2 "$@"
