#!/usr/bin/env bash
# Installs what is missing, builds, and starts FolioHarvester.
#   ./run.sh          the program with your own settings (~/.FolioHarvester)
#   ./run.sh --demo   offline demo against the local office simulator
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
if [ "${1:-}" = "--demo" ]; then
  shift
  exec "$top/scripts/demo.sh" "$@"
fi
exec "$top/build/folioharvester" "$@"
