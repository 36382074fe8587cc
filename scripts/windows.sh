#!/usr/bin/env bash
# Cross-builds FolioHarvester for 64-bit Windows into build-windows/ (or $BUILD_DIR).
#   scripts/windows.sh          installs what is missing, builds the libraries Debian
#                               ships no MinGW build of (once, then cached), the
#                               programs and the test programs, then packs
#                               the programs into build-windows/package/: a
#                               per-user installer and a portable zip
#   scripts/windows.sh --test [CTEST ARGS...]
#                               then runs the unit test programs under Wine, the
#                               test servers natively beside them, and
#                               tests/windows/install-test on the installer
#   scripts/windows.sh --libraries
#                               only installs what is missing and builds the
#                               libraries (to start them early, beside the Linux suite)
# The libraries come from Debian's own source packages, fetched with apt-get
# through a sources list and state folder of this script's own (the system's
# apt configuration is not changed), checked against the checksums below, and
# built static into ~/.cache/folioharvester/windows-deps/<key>/, where the key
# changes with any version, checksum or build recipe here. Heavy compiles run
# niced: the machines are shared. Compiler output goes to
# build-windows/windows.log and is shown only on failure.
# Measured on two cores, the packages installed: the libraries about 32 min
# the first time at the lowest priority beside the Linux suites, wxWidgets
# the most (36 CPU minutes); a fresh build folder with the libraries cached
# under 4 min without ccache; a run with nothing changed about 20 s (the
# packages are made again); --test about 2.5 min (a fresh Wine prefix, the
# unit tests, the install test 40 s).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build-windows}
triple=x86_64-w64-mingw32
jobs=$(nproc)

run_tests=false libraries_only=false
case "${1:-}" in
  --test) run_tests=true; shift ;;
  --libraries) libraries_only=true; shift ;;
esac
# Whatever else is given goes to ctest with --test (e.g. -R net).
if ! $run_tests && [ $# -gt 0 ]; then
  echo "windows.sh: unknown option $1 (--test [CTEST ARGS...] or --libraries)" >&2
  exit 64
fi

# Debian 12's source packages, built in this order.
packages=(
  "expat 2.5.0-1+deb12u2"
  "libjpeg-turbo 1:2.1.5-2"
  "curl 7.88.1-10+deb12u15"
  "qpdf 11.3.0-1+deb12u1"
  "wxwidgets3.2 3.2.2+dfsg-2"
)
checksums="\
6fc87dbd01f49999ed368cfb37c08d35e41348dda2281d60642f3aa14cb77e32  expat_2.5.0-1+deb12u2.dsc
7e29f5db5067e55193540089ed0f3ec9676704cf79dcea81a9bfb9f49435ae53  expat_2.5.0-1+deb12u2.debian.tar.xz
ab00ee05c7067fd10a35c5d2a4922ebba746ddd50ff83b79c828da17bbdf1757  expat_2.5.0.orig.tar.gz
d718ead0dfbcbc8523665c02a7f7152e31039ded641d022868722623bb3b486d  libjpeg-turbo_2.1.5-2.dsc
cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237  libjpeg-turbo_2.1.5-2.debian.tar.xz
254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c  libjpeg-turbo_2.1.5.orig.tar.gz
2744f12e3aef161c0361743fa1b318296b122e566e47f381e4a63320fbcc23f4  curl_7.88.1-10+deb12u15.dsc
961b78bc48492c5693e4decb352ddd176f343260a8956f48b2887874048ef23b  curl_7.88.1-10+deb12u15.debian.tar.xz
cdb38b72e36bc5d33d5b8810f8018ece1baa29a8f215b4495e495ded82bbf3c7  curl_7.88.1.orig.tar.gz
7a5a55d7123149a1b357f298cf895bd0a601e3a2807005ef6c95f3752803485f  curl_7.88.1.orig.tar.gz.asc
ecc031498331265c118c477eb88dab969ece147f4a9f9b0a616cb217df58fddb  qpdf_11.3.0-1+deb12u1.dsc
e7e1baa90d9d90ab651df0951b1c0bdbfcad8831afe279a2d8990a6149ce8523  qpdf_11.3.0-1+deb12u1.debian.tar.xz
547cee67de77b5c4ef4917e57d2db9c848cfe3aa950361f68d36367a3a03936e  qpdf_11.3.0.orig.tar.gz
6e2865ed389e9fcb233d2536f1339aff48059c31a46bc5243be05e46c4a2f40a  qpdf_11.3.0.orig.tar.gz.asc
21cfda00102fcff533956eb7f296d7f6bdb29510eb169637f046b786dd465b8e  wxwidgets3.2_3.2.2+dfsg-2.dsc
a419f5a599bc37f559b1ffe3cae9444c36c39e74ab66a786fcaeb2c119937e8b  wxwidgets3.2_3.2.2+dfsg-2.debian.tar.xz
e825125ac61f68548a3faae0fd5b3fc5377c0538961f02ac7cc2f0eae4e4f3e4  wxwidgets3.2_3.2.2+dfsg.orig.tar.xz
"

cache=${XDG_CACHE_HOME:-$HOME/.cache}/folioharvester/windows-deps
toolchain=$top/cmake/mingw-w64.cmake
mkdir -p "$build" "$cache"
log=$build/windows.log
: >"$log"

# Runs a command with its output in the log; on failure shows the log's end.
quietly() {
  "$@" >>"$log" 2>&1 || {
    echo "Failed: $*" >&2
    echo "The end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  }
}
heavy() { nice -n 10 "$@"; }

# --- Libraries -------------------------------------------------------------

# The libraries are compiled at -O1: a sixth less compile time than -O2 (and
# far less than CMake's -O3), and no download waits on their speed.
optimise=-O1

cmake_lib() { # SOURCE BUILD [CMAKE ARGS...]
  local src=$1 bld=$2
  shift 2
  quietly cmake -S "$src" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE="$optimise -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="$optimise -DNDEBUG" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF \
    -DZLIB_LIBRARY="$zlib" -DZLIB_INCLUDE_DIR=/usr/$triple/include "$@"
}

build_expat() { # SOURCE BUILD
  # Debian's security patches test "#if XML_DTD == 1", as its autotools
  # build defines it; the CMake build's header defines it empty.
  sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$1/expat/expat_config.h.cmake"
  cmake_lib "$1/expat" "$2" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_FUZZERS=OFF
  quietly heavy cmake --build "$2" -j"$jobs" --target install
}

build_libjpeg_turbo() {
  # No nasm here: the portable C code only. Its own GNUInstallDirs takes a
  # relative library folder as relative to the working directory.
  cmake_lib "$1" "$2" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
  quietly heavy cmake --build "$2" -j"$jobs" --target install
}

build_curl() {
  # HTTP(S) only, TLS by Windows' own Schannel and certificate store.
  cmake_lib "$1" "$2" -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DHTTP_ONLY=ON -DCURL_DISABLE_LDAP=ON \
    -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF -DCURL_ZLIB=ON -DBUILD_CURL_EXE=OFF \
    -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none
  quietly heavy cmake --build "$2" -j"$jobs" --target install
}

build_qpdf() {
  # Its own crypto (no OpenSSL or GnuTLS); its rijndael.h uses uint32_t
  # without <cstdint>, which this compiler does not forgive.
  cmake_lib "$1" "$2" -DBUILD_STATIC_LIBS=ON -DREQUIRE_CRYPTO_NATIVE=ON -DUSE_IMPLICIT_CRYPTO=OFF \
    -DBUILD_DOC=OFF -DINSTALL_EXAMPLES=OFF -DCMAKE_CXX_FLAGS="-include cstdint"
  quietly heavy cmake --build "$2" -j"$jobs" --target libqpdf
  quietly cmake --install "$2" --component dev
}

build_wxwidgets3_2() {
  # Only what the program uses: base, core, net, xml, html, adv, and of
  # those none of the controls, dialogs and frameworks it has no use for.
  # Debian's source carries no zlib, expat, libpng, libjpeg or libtiff; zlib
  # and expat come from above, images are not needed.
  local disable=(webview mediactrl stc richtext propgrid ribbon aui xrc webrequest svg sound joystick
                 debugreport grid dataviewctrl treelist printarch postscript calendar datepick timepick
                 htmlhelp aboutdlg wizarddlg mdi mdidoc docview sash splash tipdlg animatectrl richtooltip
                 taskbaricon notifmsg infobar commandlinkbutton bannerwindow rearrangectrl addremovectrl
                 odcombobox bmpcombobox richmsgdlg)
  mkdir -p "$2"
  (cd "$2" && quietly env CC="$triple-gcc-posix" CXX="$triple-g++-posix" \
      CFLAGS="$optimise" CXXFLAGS="$optimise" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
      "$1/configure" --host=$triple --prefix="$prefix" --with-msw --disable-shared \
      --with-zlib=sys --with-expat=sys --with-regex=builtin --without-libpng --without-libjpeg \
      --without-libtiff --without-liblzma --without-opengl --disable-precomp-headers \
      "${disable[@]/#/--disable-}")
  quietly heavy make -C "$2" -j"$jobs"
  quietly make -C "$2" install
}

# apt-get with a sources list and state of our own: deb-src lines for the
# archive the machine's own apt sources name.
apt_own() {
  local dir=$cache/apt
  if [ ! -s "$dir/debian-src.sources" ]; then
    mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial"
    local system=/etc/apt/sources.list.d/debian.sources
    [ -r "$system" ] || { echo "windows.sh: $system not found (a Debian 12 machine is needed)" >&2; exit 1; }
    sed -e 's/^Types:.*/Types: deb-src/' -e 's/^Components:.*/Components: main/' "$system" >"$dir/debian-src.sources"
  fi
  local sandbox=()
  [ "$(id -u)" -ne 0 ] || sandbox=(-o APT::Sandbox::User=root)
  apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir" \
    -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache" "${sandbox[@]}" "$@"
}

fetch_sources() {
  local dir=$cache/sources
  mkdir -p "$dir"
  if (cd "$dir" && sha256sum --quiet -c <<<"$checksums" >/dev/null 2>&1); then return; fi
  echo "Fetching Debian's sources of ${packages[*]%% *}…"
  quietly apt_own update
  local wanted=() p
  for p in "${packages[@]}"; do wanted+=("${p% *}=${p#* }"); done
  (cd "$dir" && quietly apt_own source --download-only "${wanted[@]}")
  (cd "$dir" && sha256sum --quiet -c <<<"$checksums") >>"$log" 2>&1 || {
    echo "windows.sh: the sources in $dir do not match the checksums pinned in this script" >&2
    exit 1
  }
}

build_libraries() {
  local recipe key
  recipe=$(printf '%s\n' "${packages[@]}" "$checksums" "$optimise"; declare -f cmake_lib build_expat build_libjpeg_turbo \
           build_curl build_qpdf build_wxwidgets3_2; cat "$toolchain"; "$triple-g++-posix" --version | head -n1)
  key=$(sha256sum <<<"$recipe" | cut -c1-16)
  prefix=$cache/$key
  # The toolchain file finds headers, libraries and pkg-config files there.
  export FH_WINDOWS_DEPS=$prefix
  [ -e "$prefix/.complete" ] && return
  # One build at a time per cache (worktrees share it); a second run waits
  # and then finds the libraries built.
  exec {lock}>"$cache/.lock"
  flock "$lock"
  [ -e "$prefix/.complete" ] && return
  local started=$SECONDS p name version work
  mkdir -p "$prefix"
  printf '%s\n' "${packages[@]}" >"$prefix/versions.txt"
  fetch_sources
  work=$cache/work
  for p in "${packages[@]}"; do
    name=${p% *}; version=${p#* }; version=${version#*:}
    [ -e "$prefix/.built-$name" ] && continue
    echo "Building $name ${version%-*} for Windows…"
    rm -rf "$work" && mkdir -p "$work" && cd "$work"
    quietly dpkg-source --no-check -x "$cache/sources/${name}_$version.dsc" "$work/src"
    "build_${name//[-.]/_}" "$work/src" "$work/build"
    touch "$prefix/.built-$name"
  done
  cd "$top"
  rm -rf "$work"
  touch "$prefix/.complete"
  flock -u "$lock"
  echo "Libraries built in $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s, kept in $prefix"
}

# --- The program -----------------------------------------------------------

"$top/scripts/install-deps.sh" --windows
zlib=/usr/$triple/lib/libz.a
build_libraries
! $libraries_only || exit 0
# nlohmann-json is header-only: Debian's package serves as it is, seen
# through the prefix (never /usr/include, whose C library is Linux's).
mkdir -p "$prefix/include" "$prefix/share/cmake"
ln -sfn /usr/include/nlohmann "$prefix/include/nlohmann"
ln -sfn /usr/share/cmake/nlohmann_json "$prefix/share/cmake/nlohmann_json"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
echo "Building the Windows programs into $build…"
quietly cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DFH_WINDOWS_DEPS="$prefix" \
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} -DFH_WERROR="${FH_WERROR:-OFF}" "${launcher[@]}"
quietly heavy cmake --build "$build" -j"$jobs"
programs=(folioharvester folioharvester-cli folioharvester-fetch)
for exe in "${programs[@]}"; do
  echo "  $build/$exe.exe"
done

# --- Packages ----------------------------------------------------------------

# Windows' own DLLs: a program that imports any other would not start on a
# machine without it.
system_dlls=(advapi32 bcrypt comctl32 comdlg32 crypt32 gdi32 imm32 iphlpapi kernel32 msimg32 msvcrt normaliz
             ole32 oleacc oleaut32 rpcrt4 secur32 shell32 shlwapi user32 userenv uuid uxtheme version winmm
             winspool.drv wldap32 ws2_32)
is_system_dll() { # NAME, in lower case
  local dll
  [[ $1 == api-ms-win-* ]] && return 0
  for dll in "${system_dlls[@]}"; do
    [[ $1 == "$dll" || $1 == "$dll.dll" ]] && return 0
  done
  return 1
}
check_imports() { # EXE...
  local exe dll bad=false
  for exe in "$@"; do
    while read -r dll; do
      is_system_dll "${dll,,}" && continue
      echo "windows.sh: $(basename "$exe") imports $dll, which is not part of Windows" >&2
      bad=true
    done < <("$triple-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  done
  ! $bad || exit 1
}

# The licences of everything linked into the programs: the libraries built
# above (from their Debian source packages) and MinGW-w64's runtime, zlib and
# JSON for Modern C++ (from the installed Debian packages).
write_licences() { # FILE
  local p name version
  {
    echo "FolioHarvester for Windows is linked statically with the following libraries;"
    echo "each is distributed under the licence its Debian package states below."
    for p in "${packages[@]}"; do
      name=${p% *}; version=${p#* }; version=${version#*:}
      printf '\n==== %s %s ====\n\n' "$name" "${version%-*}"
      tar -xOJf "$cache/sources/${name}_$version.debian.tar.xz" debian/copyright
    done
    for p in mingw-w64-x86-64-dev gcc-mingw-w64-x86-64-posix-runtime libz-mingw-w64-dev nlohmann-json3-dev; do
      printf '\n==== %s %s ====\n\n' "$p" "$(dpkg-query -W -f='${Version}' "$p")"
      cat "/usr/share/doc/$p/copyright"
    done
  } >"$1"
}

# The portable zip and the per-user installer, from stripped copies.
make_packages() {
  local version stage out
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  out=$build/package
  stage=$out/FolioHarvester-$version
  rm -rf "$out" && mkdir -p "$stage"
  for exe in "${programs[@]}"; do
    "$triple-strip" -o "$stage/$exe.exe" "$build/$exe.exe"
  done
  cp "$top/README.md" "$stage/"
  fetch_sources
  write_licences "$stage/LICENCES.txt"
  (cd "$out" && quietly cmake -E tar cf "FolioHarvester-$version-windows-x64.zip" --format=zip \
                 "FolioHarvester-$version")
  quietly makensis -V2 -DVERSION="$version" -DSOURCE="$stage" \
    -DOUTFILE="$out/FolioHarvester-$version-setup.exe" "$top/packaging/windows/installer.nsi"
  echo "  $out/FolioHarvester-$version-windows-x64.zip"
  echo "  $out/FolioHarvester-$version-setup.exe"
}

echo "Packaging…"
(cd "$build" && check_imports "${programs[@]/%/.exe}")
make_packages

$run_tests || exit 0

# --- Tests under Wine --------------------------------------------------------

# The test programs built for Windows (cmake/Windows.cmake chooses them)
# that need no display: the window's are left to the install test below.

export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
echo "Making a fresh Wine prefix in $WINEPREFIX…"
rm -rf "$WINEPREFIX"
quietly wineboot --init
quietly wineserver --wait

# The test servers are Linux programs: the relay starts them for the tests.
coproc relay { exec python3 "$top/tests/support/host-relay"; }
relay_pid=$relay_PID
trap 'kill "$relay_pid" 2>/dev/null || true; wineserver --kill 2>/dev/null || true' EXIT
read -r -t 10 -u "${relay[0]}" word address || { echo "windows.sh: the test relay did not start" >&2; exit 1; }
export FH_HOST_RELAY=$address

# Wine's service processes (services.exe, explorer.exe, …) live as long as
# the session and keep the standard error of the program that started them:
# ctest would see whichever test came first not end until the last one has.
# A session started here, writing to the log, outlives the tests; its
# command prompt reads this script's pipe and ends with it.
ready=$build/wine-session
rm -f "$ready"
exec {session}> >(exec wine cmd /k echo ready >"$ready" 2>>"$log")
for _ in $(seq 240); do grep -q ready "$ready" 2>/dev/null && break; sleep 0.5; done
grep -q ready "$ready" || { echo "windows.sh: Wine did not start" >&2; exit 1; }

echo "Running the unit tests under Wine…"
cd "$build"
status=0
# Wine now and then fails a program for reasons of its own: once a test
# program ended after 30 ms without a line of output, once Wine's own
# certificate chain check refused the test authority's signature (error mask
# 8) in one fetch of several. A failing program gets one more run; ctest
# still prints the first failure.
ctest --output-on-failure --no-tests=error --timeout 600 -j2 --repeat until-pass:2 -L unit "$@" || status=$?

# The installer as a user meets it, whatever the test programs found.
exec {session}>&-
echo "Installing $build/package's installer into a fresh Wine prefix and using it…"
"$top/tests/windows/install-test" "$build" || status=1
exit "$status"
