#!/bin/sh
# Sets everything up and runs the main job: builds Kesto and its tools, which
# draw, encode and pack the demo's data, then runs the demo game on the
# engine. Where there is a desktop the demo opens a window; where there is
# none it runs a scripted 300 frames on SDL's offscreen driver and writes
# screenshots (into $build/kesto-demo-shots unless told otherwise).
#
# Arguments, or else the words of KESTO_DEMO_ARGS, go to the demo; relative
# paths in them are taken from the build folder. `scripts/run.sh --help`
# lists them.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

build=${KESTO_RUN_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_BUILD_TESTS=OFF -DKESTO_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"

if [ "$#" -eq 0 ] && [ -n "${KESTO_DEMO_ARGS:-}" ]; then
  # Word splitting is the point here.
  # shellcheck disable=SC2086
  set -- $KESTO_DEMO_ARGS
fi
cd "$build"
exec tools/demo/kesto-demo "$@"
