#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [SECONDS [TARGET...]]     default: 600 s each, every target
# Seeds come from the test fixtures and the simulator's answers; findings land
# in build-fuzz/findings/ and make the script fail.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
"$top/scripts/install-deps.sh" --fuzz
build=$top/build-fuzz
CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFH_FUZZ=ON >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(cd "$top/tests/fuzz" && ls fuzz_*.cpp | sed -E 's/^fuzz_//; s/\.cpp$//'))
fi
cmake --build "$build" -j"$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}") >/dev/null

seeds() {  # target -> seed directory
  local dir=$build/seeds/$1; mkdir -p "$dir"
  case $1 in
    tiff_pdf) cp "$top"/tests/data/pdf/*.tif "$top"/tools/office-sim/pages/*.tif "$dir"/ 2>/dev/null || true ;;
    numbers) local i=0; for n in 5,123,456 20020000001 9/836917 '10\123456' 2004/0123456 D0365123 d365123 \
                 PP012835 RE035136 AI000318 X0000001 EP2219563 EP2219563.B1 US6123456 DE102004012345 HELLO 12a \
                 'US 6,103,599 B1' USD645062S 'US2002/0123456 A1' US2002123456A1 WO02/051231; do
               printf '%s' "$n" > "$dir/seed$((i++))"; done ;;
    fax_pdf) PYTHONPATH="$top/tools/office-sim" python3 -c 'import sys
from officesim.pdf import g4_pdf
from officesim.tiff import g4_strip
pages = [g4_strip(open(name, "rb").read()) for name in sys.argv[2:]]
open(sys.argv[1], "wb").write(g4_pdf([(w, h, strip) for w, h, _, strip in pages]))' \
               "$dir/office.pdf" "$top"/tools/office-sim/pages/g4-[12].tif ;;
    ops_answers) cp "$top"/tests/data/ops/* "$top"/tests/data/fuzz/ops_answers/* "$dir"/ ;;
    settings|page_list|search_hit|image_list|ppubs_answers) cp "$top"/tests/data/fuzz/$1/* "$dir"/ ;;
    eps_page) PYTHONPATH="$top/tools/office-sim" python3 -c 'import sys
from officesim import eps
pages = [eps._formats("EP2219563NWB1"), eps._toolbar_page("EP1000000NWA1", "EP1000000", "A1"),
         eps._wipo_page("EP2707000NWA1", "WO2012153305")]
for i, page in enumerate(pages):
    open("%s/page%d.html" % (sys.argv[1], i), "wb").write(page.body)
open(sys.argv[1] + "/blocked.html", "w").write(eps.BLOCK_PAGE)' "$dir" ;;
  esac
  echo "$dir"
}

mkdir -p "$build/findings"
status=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t; mkdir -p "$corpus"
  log=$build/fuzz-$t.log
  if "$build/tests/fuzz/fuzz_$t" "$corpus" "$(seeds "$t")" -max_total_time="$seconds" \
       -rss_limit_mb=4096 -max_len=1048576 -artifact_prefix="$build/findings/$t-" -print_final_stats=1 >"$log" 2>&1; then
    echo "fuzz_$t: $(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}') executions, no finding"
  else
    echo "fuzz_$t: FINDING (see $log)"; status=1
  fi
done
exit $status
