#!/bin/sh
# Sets everything up and runs the main job: builds Kesto, packs a sample
# folder into a chain of archives with kesto-wdf, verifies it and reads
# files back through the engine as a game would.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

build=${KESTO_RUN_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_BUILD_TESTS=OFF -DKESTO_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"

work="$build/sample"
rm -rf "$work"
mkdir -p "$work/data/shape/char" "$work/data/shape/map"
printf 'Kesto sample sprite\n' > "$work/data/shape/char/0001.was"
printf 'Kesto sample map %s\n' "$(seq 1 200 | tr '\n' ' ')" > "$work/data/shape/map/1001.map"
seq 1 5000 > "$work/data/shape/numbers.txt"

wdf="$build/tools/wdf/kesto-wdf"
"$wdf" pack "$work/data/shape" "$work/shape.wdf" --scrambled --split-count 2
for a in "$work"/shape.wd*; do "$wdf" verify "$a"; done
"$wdf" list "$work/shape.wdf" --names "$work/data/shape"

# Read once from the archives, then again with a loose copy on disk, which
# wins over the archived one.
cd "$work"
../examples/archive_reader shape.wdf shape.wd1 -- shape/char/0001.was Shape/Map/1001.MAP shape/numbers.txt
mkdir -p shape/char && printf 'Loose copy of the sprite\n' > shape/char/0001.WAS
../examples/archive_reader shape.wdf shape.wd1 -- SHAPE\\char\\0001.was shape/char/0001.was
