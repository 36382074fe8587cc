#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it.
#   scripts/package.sh [--no-build]
# The .deb lands in build/package/ (or $BUILD_DIR/package). The check lists
# its files, requires the programs, desktop entry, icon and man page, and
# unpacks it into a throw-away root where the programs must find every
# library and folioharvester-cli must run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
if [ "${1:-}" != "--no-build" ]; then
  "$top/scripts/install-deps.sh"
  "$top/scripts/build.sh" --program --quiet
fi
out=$build/package
rm -f "$out"/*.deb
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out.log" 2>&1 || {
  tail -n 40 "$out.log" >&2
  exit 1
}
debs=("$out"/*.deb)
deb=${debs[0]}

fail() { echo "package check: $*" >&2; exit 1; }
listing=$(dpkg-deb -c "$deb")
echo "$listing"
for file in usr/bin/folioharvester usr/bin/folioharvester-cli usr/bin/folioharvester-fetch \
            usr/share/applications/folioharvester.desktop usr/share/icons/hicolor/48x48/apps/folioharvester.png \
            usr/share/pixmaps/folioharvester.xpm usr/share/man/man1/folioharvester-cli.1.gz; do
  grep -q " \./$file\$" <<<"$listing" || fail "$file is not in $deb"
done
depends=$(dpkg-deb -f "$deb" Depends)
grep -q "libwxbase3" <<<"$depends" || fail "no library dependencies computed: '$depends'"
# A build with OCR ships its program and needs the language data.
if [ -x "$build/folioharvester-ocr" ]; then
  grep -q " \./usr/bin/folioharvester-ocr\$" <<<"$listing" || fail "usr/bin/folioharvester-ocr is not in $deb"
  grep -q "tesseract-ocr-eng" <<<"$depends" || fail "no OCR language in Depends: '$depends'"
fi

root=$(mktemp -d "${TMPDIR:-/tmp}/folioharvester-package.XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
for program in "$root"/usr/bin/*; do
  missing=$(ldd "$program" | grep "not found" || true)
  [ -z "$missing" ] || fail "$(basename "$program") lacks $missing"
done
zcat "$root/usr/share/man/man1/folioharvester-cli.1.gz" | grep -q '^\.TH ' || fail "the man page has no .TH"
usage=$("$root/usr/bin/folioharvester-cli" --help) || fail "folioharvester-cli --help exits $?"
[ "${usage#usage: folioharvester-cli}" != "$usage" ] || fail "folioharvester-cli --help printed no usage"
line=$(cd "$root" && "$root/usr/bin/folioharvester-cli" classify 5123456) || fail "folioharvester-cli classify exits $?"
[ "${line#kind=us }" != "$line" ] || fail "folioharvester-cli classify printed '$line'"
echo "$deb: Depends: $depends"
echo "$deb: checked"
