#!/bin/sh
# The README's first game, as a newcomer copies it: install under
# $HOME/.local with the README's command, build the README's C++ block with
# the README's pkg-config commands, run it on the demo's data without a
# display, and find its screenshot.
#   readme_first_game.sh <build folder> <README.md> <scratch> [compiler flags]
set -eu
build=$1 readme=$2 scratch=$3 flags=${4:-}
rm -rf "$scratch" && mkdir -p "$scratch/home" "$scratch/bin"
export HOME="$scratch/home"
cd "$scratch"
# The README runs from Kesto's own folder, where build/ is the build.
ln -s "$build" build

# A sanitizer build's library needs its runtime in the program as well.
printf '#!/bin/sh\nexec /usr/bin/c++ %s "$@"\n' "$flags" > bin/c++ && chmod +x bin/c++
export PATH="$scratch/bin:$PATH"

cmake --install build --prefix "$HOME/.local" >/dev/null
# The C++ block after the marker, and the shell block that uses pkg-config.
awk '/<!-- the first game:/ {on=1; next} on && /^```cpp/ {inside=1; next} inside && /^```/ {exit} inside {print}' \
    "$readme" > game.cpp
awk '/^```sh/ {inside=1; block=""; next} inside && /^```/ {inside=0; if (block ~ /pkg-config/) {printf "%s", block; exit}; next}
     inside {block = block $0 "\n"}' "$readme" > build-and-run.sh
[ -s game.cpp ] || { echo "no first game in $readme" >&2; exit 1; }
grep -q 'PKG_CONFIG_PATH' build-and-run.sh || { echo "no pkg-config commands in $readme" >&2; exit 1; }

SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy sh -eu build-and-run.sh
[ -s mygame.png ] || { echo "the first game wrote no mygame.png" >&2; exit 1; }
echo "first game ok"
