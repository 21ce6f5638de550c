#!/bin/sh
# Builds the libFuzzer targets (clang, sanitizers; see fuzz/CMakeLists.txt)
# and runs each in turn for a while, from its seeds and what earlier runs
# found, then reports per target: executions, coverage (libFuzzer's cov and
# ft at the end) and findings (crash, leak, timeout and oom files written by
# this run). Exits 1 when any target found something.
#   scripts/fuzz.sh [seconds per target] [target...]     (default 60 s, every target)
# Targets: archive lzdecode was jpeg jpegtile bmp tga png sound text.
#
# Environment: FUZZ_BUILD (the build folder, default build-fuzz), FUZZ_JOBS
# (parallel build jobs; ninja's default when unset), FUZZ_FLAGS (more
# libFuzzer options, e.g. "-max_len=65536" or "-use_value_profile=1").
#
# Under $FUZZ_BUILD/fuzz: campaign/<target> is the growing corpus (kept from
# run to run, so runs add up to a campaign), findings/<target> the inputs that
# broke something, logs/<target>.log libFuzzer's output. Reproduce a finding
# with $FUZZ_BUILD/fuzz/fuzz_<target> <file>.
set -eu

ALL_TARGETS="archive lzdecode was jpeg jpegtile bmp tga png sound text"
seconds=${1:-60}
case $seconds in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [seconds per target] [target...]" >&2; exit 2 ;;
esac
[ $# -gt 0 ] && shift
targets=${*:-$ALL_TARGETS}
for t in $targets; do
  case " $ALL_TARGETS " in
    *" $t "*) ;;
    *) echo "fuzz.sh: no target '$t' (targets: $ALL_TARGETS)" >&2; exit 2 ;;
  esac
done

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-build-fuzz}
case $build in /*) ;; *) build=$root/$build ;; esac

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DKESTO_BUILD_FUZZ=ON \
    -DKESTO_SANITIZE=ON -DKESTO_BUILD_TESTS=OFF -DKESTO_BUILD_BENCH=OFF
fi
# shellcheck disable=SC2086 # no jobs option at all when FUZZ_JOBS is unset
cmake --build "$build" ${FUZZ_JOBS:+-j "$FUZZ_JOBS"}

fuzz=$build/fuzz
status=0
report=""
for t in $targets; do
  corpus=$fuzz/campaign/$t
  findings=$fuzz/findings/$t
  log=$fuzz/logs/$t.log
  mkdir -p "$corpus" "$findings" "$fuzz/logs"
  seeds=""
  [ -d "$fuzz/corpus/$t" ] && seeds=$fuzz/corpus/$t
  before=$(find "$findings" -type f | wc -l)
  echo "== fuzz_$t for ${seconds}s"
  # The targets work in a scratch folder of their own: every path is absolute.
  # shellcheck disable=SC2086 # FUZZ_FLAGS and the seed folder split into arguments
  "$fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$findings/" ${FUZZ_FLAGS:-} "$corpus" $seeds > "$log" 2>&1 || true
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
  # A crash ends the run before the final statistics: the last status line then.
  [ -n "$execs" ] || execs=$(printf '%s\n' "$last" | sed -n 's/^#\([0-9]*\).*/\1/p')
  cov=$(printf '%s\n' "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  ft=$(printf '%s\n' "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  found=$(($(find "$findings" -type f | wc -l) - before))
  line=$(printf '%-9s %10s %7s %7s %9s' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$found")
  if [ "$found" -gt 0 ] || [ -z "$execs" ]; then
    status=1
    line="$line   <- see $log"
  fi
  report="$report$line
"
done

printf '\n%-9s %10s %7s %7s %9s\n' target execs cov ft findings
printf '%s' "$report"
exit $status
