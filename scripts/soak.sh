#!/bin/sh
# Runs the soak: a game on the engine for a long time on SDL's offscreen
# driver, over the demo's data (sprites, pictures and text loaded and closed
# through the caches, thousands of sprites a frame, the device lost every
# few thousand frames, music and clicks). It reports frames, device resets,
# failed checks and resident memory after the warm-up and at the end, and
# fails when memory grew by more than the margin (16 MB by default).
#   scripts/soak.sh                      a million frames
#   scripts/soak.sh --seconds 3600       an hour
#   scripts/soak.sh --frames 200000 --sprites 5000 --lose-every 2000 --margin 8
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

build=${KESTO_SOAK_BUILD:-build-soak}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target kesto-soak
[ "$#" -eq 0 ] && set -- --frames 1000000
exec "$build/tests/soak/kesto-soak" --data "$PWD/$build/tools/demo/data" "$@"
