#!/usr/bin/env bash
# Installs the Debian packages that are missing, one set at a time:
#   scripts/install-deps.sh           building and running the program (and its demo)
#   scripts/install-deps.sh --test    also what the test suite needs
#   scripts/install-deps.sh --bench   also what bench/ needs
#   scripts/install-deps.sh --fuzz    also what scripts/fuzz.sh needs
#   scripts/install-deps.sh --windows only what scripts/windows.sh needs
# Silent when everything is there; uses sudo when not root. Packages are
# installed without starting their services, and any systemd service they
# bring is disabled: nothing is left running in the background.
set -euo pipefail

base=(
  build-essential cmake pkg-config
  libwxgtk3.2-dev libcurl4-openssl-dev nlohmann-json3-dev libqpdf-dev libexpat1-dev
  libtesseract-dev libleptonica-dev tesseract-ocr-eng tesseract-ocr-deu tesseract-ocr-fra
  python3 openssl
)
test=(
  libgtest-dev xvfb xauth qpdf poppler-utils mupdf-tools libtiff-tools netpbm
)
bench=(hyperfine img2pdf time ghostscript groff fonts-urw-base35 netpbm libtiff-tools qpdf)
fuzz=(clang-14 libclang-rt-14-dev)
# The MinGW-w64 cross compiler, Wine to run the results, and what building
# the libraries from Debian's source packages takes.
windows=(
  cmake make pkg-config ccache dpkg-dev xz-utils python3 openssl
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev nlohmann-json3-dev googletest
  wine wine64 nsis xvfb xauth xdotool
)

wanted=("${base[@]}")
label="build"
for set in "$@"; do
  case "$set" in
    --test) wanted+=("${test[@]}"); label="test" ;;
    --bench) wanted+=("${bench[@]}"); label="benchmark" ;;
    --fuzz) wanted+=("${fuzz[@]}"); label="fuzzing" ;;
    --windows) wanted=("${windows[@]}"); label="Windows build" ;;
    *) echo "install-deps.sh: unknown option $set (--test, --bench, --fuzz or --windows)" >&2; exit 64 ;;
  esac
done

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing $label dependencies…"
echo "  ${missing[*]}"

# invoke-rc.d asks policy-rc.d whether a package may start its service;
# 101 means no. An existing policy is left as it is.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  $sudo sh -c "printf '#!/bin/sh\nexit 101\n' > $policy && chmod 755 $policy"
  trap '$sudo rm -f "$policy"' EXIT
fi

installed() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }
before=$(installed)
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

# Services would still start at the next boot.
if [ -d /run/systemd/system ]; then
  mapfile -t added < <(comm -13 <(echo "$before") <(installed))
  units=$(dpkg -L "${added[@]}" 2>/dev/null | grep -E '^/(usr/)?lib/systemd/system/[^/]+\.(service|socket|timer)$' \
            | xargs -r -n1 basename || true)
  [ -z "$units" ] || $sudo systemctl disable --now $units >/dev/null 2>&1 || true
fi
