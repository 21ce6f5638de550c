#!/bin/sh
# Builds the benchmarks in a Release tree and runs them; each program runs
# the engine's operation beside its peer, so compare the pairs it prints.
#   scripts/bench.sh [filter]      e.g. scripts/bench.sh bench_lz
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${KESTO_BENCH_BUILD:-build-release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
filter=${1:-}
for b in "$build"/bench/bench_*; do
  case "$(basename "$b")" in *$filter*) ;; *) continue ;; esac
  echo "== $(basename "$b")"
  # Repetitions of all the cases of a program run in a random order, so that
  # a machine that gets slower or faster during the run favours none of them.
  set -- --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true
  # The GPU sprites compare renderers on one X server's GL (SFML draws
  # through GLX only): a virtual one where there is no display.
  if [ "$(basename "$b")" = bench_gpu_sprites ] && [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1024x768x24" "$b" "$@"
  else
    "$b" "$@"
  fi
done
