#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Quiet and quick when everything is already there; uses sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libwxgtk3.2-dev libcurl4-openssl-dev libgtest-dev nlohmann-json3-dev libqpdf-dev
  xvfb xauth qpdf poppler-utils mupdf-tools libtiff-tools netpbm
  python3 openssl img2pdf hyperfine tinyproxy
  ghostscript groff fonts-urw-base35 gawk
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
