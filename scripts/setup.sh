#!/bin/sh
# Installs what building, running and testing Kesto needs on Debian 12,
# compiler and CMake included. Safe to run again: apt skips what is there.
set -eu

PACKAGES="
  build-essential cmake ninja-build pkg-config git ca-certificates dpkg-dev file doxygen
  libfreetype-dev fonts-dejavu-core fonts-liberation fonts-wqy-zenhei python3-fonttools
  liblzo2-dev libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libpng-dev libspng-dev libdeflate-dev
  sox vorbis-tools lame flac
  libjpeg62-turbo-dev libturbojpeg0-dev libjpeg-turbo-progs libstb-dev libsdl2-image-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  glslang-tools libsfml-dev libflac-dev
  libegl-dev libgles-dev libgl-dev libegl-mesa0 libgl1-mesa-dri
  xvfb xdotool xauth valgrind
"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
