#!/usr/bin/env bash
# Runs every libFuzzer target built by the linux-asan preset for a bounded time
# and fails on any crash, leak, hang, memory blow-up or sanitizer report.
#
#   scripts/fuzz.sh [SECONDS]      (default 30 per target)
#
# Each target first replays what tests/fuzz/regressions/NAME/ keeps (inputs
# that once found a fault), then fuzzes from a fresh copy of its seeds in
# tests/fuzz/corpus/NAME/, so the tree is never written to. An input that
# fails is copied to build/linux-asan/fuzz-findings/; once the fault is
# fixed, keep it under tests/fuzz/regressions/NAME/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=build/linux-asan
findings=$build/fuzz-findings
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if ((${#targets[@]} == 0)); then
  echo "no fuzz targets in $build/fuzz: configure and build the linux-asan preset first" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Leaks end a run as crashes do; UBSan's reports are fatal in these builds.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=0
for target in "${targets[@]}"; do
  name=${target##*/fuzz_}
  log=$work/$name.log
  mkdir -p "$work/$name/corpus"

  regressions=(tests/fuzz/regressions/"$name"/*)
  if ((${#regressions[@]} > 0)) && ! "$target" "${regressions[@]}" >"$log" 2>&1; then
    echo "FAIL $name: a kept regression input fails again"
    tail -n 40 "$log"
    failed=1
    continue
  fi

  seeds=(tests/fuzz/corpus/"$name"/*)
  ((${#seeds[@]} > 0)) && cp "${seeds[@]}" "$work/$name/corpus/"
  status=0
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/$name/" "$work/$name/corpus" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  # A sanitizer report that did not end the run still counts.
  if ((status != 0)) || grep -qE "runtime error:|ERROR: (Address|Leak|UndefinedBehavior)Sanitizer" "$log"; then
    echo "FAIL $name after ${runs:-?} runs (exit status $status)"
    grep -E "ERROR|SUMMARY|runtime error|Test unit written|timeout" "$log" | head -n 20
    mkdir -p "$findings"
    for artifact in "$work/$name"/crash-* "$work/$name"/leak-* "$work/$name"/timeout-* \
      "$work/$name"/oom-* "$work/$name"/slow-unit-*; do
      cp "$artifact" "$findings/$name-${artifact##*/}"
      echo "     input kept as $findings/$name-${artifact##*/}"
    done
    failed=1
  else
    echo "ok   $name: $runs runs in ${seconds} s, corpus $(ls "$work/$name/corpus" | wc -l) inputs," \
      "no finding"
  fi
done
exit $failed
