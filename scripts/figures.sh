#!/usr/bin/env bash
# Prints the performance figures of the README, each as a ratio against a
# reference measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh test
cmake --preset linux -DWEBEXAM_BUILD_TESTS=ON -DWEBEXAM_BUILD_BENCHMARKS=ON >/dev/null
cmake --build --preset linux --target grading_bench >/dev/null

json=$(mktemp)
trap 'rm -f "$json"' EXIT
build/linux/bench/grading_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$json" >/dev/null
python3 - "$json" <<'PY'
import json, sys
runs = {b["run_name"]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]
        if b.get("aggregate_name") == "median"}
floor, grade = runs["BM_RawReads"], runs["BM_GradePage"]
print(f"GradePage on a 32000-byte page: {grade:.0f} us; 36 raw reads of it: {floor:.0f} us; "
      f"ratio {grade / floor:.1f}x")
PY
