# Shared by scripts/run, scripts/test and scripts/package: installs what is missing, then
# configures and builds.
# shellcheck shell=bash

PV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
PV_BUILD=${PV_BUILD:-$PV_ROOT/build}

PV_PACKAGES=(
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64
  xvfb xauth x11-utils imagemagick xcompmgr xdotool
  cmake ninja-build googletest
  nsis zip
)

pv_install_deps() {
  local missing=() p
  for p in "${PV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Whether this machine runs 32-bit programs (some kernels refuse them). Where it does not, the
# Wine tests, scripts/run and the benchmarks use a 64-bit build of the same sources in
# $PV_BUILD/win64; $PV_BUILD always holds the 32-bit deliverables.
pv_runs_32bit() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The build tree whose programs run here: $PV_BUILD, or the 64-bit one beside the deliverables.
pv_run_build() {
  if pv_runs_32bit; then
    PV_RUN_BUILD=$PV_BUILD
    return 0
  fi
  PV_RUN_BUILD=$PV_BUILD/win64
  echo "This machine cannot run 32-bit programs: running a 64-bit build of the same sources ($PV_RUN_BUILD)."
  pv_build "$PV_RUN_BUILD" mingw-x86_64
}

# The Wine architecture of the build whose programs run here (after pv_run_build).
pv_wine_arch() {
  if [ "${PV_RUN_BUILD:-$PV_BUILD}" = "$PV_BUILD" ]; then echo win32; else echo win64; fi
}

# Prints the lines that set up Wine for ARCH, to be evaluated or written into an environment
# file. Debian's wine and wineboot take the 32-bit loader whenever it is installed, also where it
# cannot run, so a 64-bit environment gets a wine of its own in DIR/bin, first on PATH.
pv_wine_arch_env() {
  local dir=$1 arch=$2
  echo "export WINEARCH=$arch"
  [ "$arch" = win64 ] || return 0
  mkdir -p "$dir/bin"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$dir/bin/wine"
  chmod +x "$dir/bin/wine"
  ln -sf wine "$dir/bin/wine-stable"
  echo "export PATH='$dir/bin':\"\$PATH\" WINELOADER=/usr/lib/wine/wine64"
}

pv_build() {
  local tree=${1:-$PV_BUILD} toolchain=${2:-mingw-i686}
  # Also when the build was configured before makensis or zip was installed: it has no packages.
  if [ ! -f "$tree/build.ninja" ] ||
     grep -qE '^PV_(MAKENSIS|ZIP):FILEPATH=.*NOTFOUND$' "$tree/CMakeCache.txt" 2>/dev/null; then
    cmake -S "$PV_ROOT" -B "$tree" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$PV_ROOT/cmake/$toolchain.cmake" \
      -DCMAKE_BUILD_TYPE=Release
  fi
  cmake --build "$tree"
}
