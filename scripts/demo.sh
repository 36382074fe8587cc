#!/usr/bin/env bash
# Offline demo: the office simulator stands in for the patent offices and the
# maker's server, under a throw-away HOME whose settings point every host at
# it. With a display the window runs against it; without one the same
# documents are fetched through folioharvester-cli. The simulator stops when
# this script ends. Today's routes by default (over HTTPS: Patent Public
# Search for US documents, EPO OPS 3.2 with the simulator's demo key for the
# others); `--classic` shows the original services.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
routes=new
if [ "${1:-}" = "--classic" ]; then
  routes=classic
  shift
fi
if [ "$routes" = classic ]; then
  samples=(5123456 D0365123 RE035136 20020000051 9/836917 EP2219563)
else
  # Today's services take a US application by its publication number only,
  # so the serial number is left out here.
  samples=(5123456 D0365123 RE035136 20020000051 EP2219563 EP2219563B1 WO2004/012345)
fi

demo_home=$(mktemp -d "${TMPDIR:-/tmp}/folioharvester-demo.XXXXXX")
save_dir="$demo_home/PDFs"
mkdir -p "$save_dir"
settings="$demo_home/.FolioHarvester"
printf 'Path=%s\nsizex=540\nsizey=330\n' "$save_dir" > "$settings"
chmod 600 "$settings"

# The simulator reads its stdin from this pipe and ends when we close it.
fifo="$demo_home/.sim-stdin"
mkfifo "$fifo"
"$top/tools/office-sim/office-sim" --exit-on-stdin-eof --quiet --settings "$settings" \
  --routes "$routes" \
  <"$fifo" >"$demo_home/.sim.out" 2>"$demo_home/.sim.err" &
sim_pid=$!
exec 3>"$fifo"

stop_simulator() {
  exec 3>&-
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -f "$fifo"
}
trap stop_simulator EXIT

for _ in $(seq 100); do
  grep -qx ready "$demo_home/.sim.out" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$demo_home/.sim.err" >&2; exit 1; }
  sleep 0.1
done
grep -qx ready "$demo_home/.sim.out" || { echo "office simulator did not start" >&2; exit 1; }

echo "Demo settings: $settings (routes: $routes)"
echo "PDFs are saved in: $save_dir"
if [ -n "${DISPLAY:-}" ]; then
  echo "Try these numbers in the window: ${samples[*]}"
  HOME="$demo_home" "$build/folioharvester" "$@"
else
  echo "No display: fetching ${samples[*]} with folioharvester-cli"
  status=0
  (cd "$save_dir" && "$build/folioharvester-cli" --settings "$settings" fetch "${samples[@]}") || status=$?
  echo "PDFs in $save_dir:"
  ls -l "$save_dir"
  exit "$status"
fi
