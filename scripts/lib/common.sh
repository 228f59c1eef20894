# Shared by scripts/run, scripts/test and scripts/package: installs what is missing, then
# configures and builds.
# shellcheck shell=bash

PV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
PV_BUILD=${PV_BUILD:-$PV_ROOT/build}

PV_PACKAGES=(
  g++-mingw-w64-i686 binutils-mingw-w64-i686
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

pv_build() {
  # Also when the build was configured before makensis or zip was installed: it has no packages.
  if [ ! -f "$PV_BUILD/build.ninja" ] ||
     grep -qE '^PV_(MAKENSIS|ZIP):FILEPATH=.*NOTFOUND$' "$PV_BUILD/CMakeCache.txt" 2>/dev/null; then
    cmake -S "$PV_ROOT" -B "$PV_BUILD" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$PV_ROOT/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release
  fi
  cmake --build "$PV_BUILD"
}
