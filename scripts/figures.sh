#!/usr/bin/env bash
# Prints the performance figures of the README, each as a ratio against a
# reference measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh test
cmake --preset linux -DWEBEXAM_BUILD_TESTS=ON -DWEBEXAM_BUILD_BENCHMARKS=ON >/dev/null
cmake --build --preset linux --target grading_bench submit_bench results_driver >/dev/null

json=$(mktemp -d)
trap 'rm -rf "$json"' EXIT
for bench in grading_bench submit_bench; do
  build/linux/bench/$bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$json/$bench.json" >/dev/null
done
python3 - "$json" <<'PY'
import json, os, sys
def medians(name):
    data = json.load(open(os.path.join(sys.argv[1], name + ".json")))
    return {b["run_name"]: b["real_time"] for b in data["benchmarks"]
            if b.get("aggregate_name") == "median"}
g = medians("grading_bench")
floor, grade = g["BM_RawReads"], g["BM_GradePage"]
print(f"GradePage on a 32000-byte page: {grade:.0f} us against 36 raw reads of it: "
      f"{floor:.0f} us; ratio {grade / floor:.1f}x")
s = medians("submit_bench")
grade, submit = s["BM_GradePage"], s["BM_SubmitPass"]
print(f"The whole submit pass: {submit:.0f} us against GradePage alone: {grade:.0f} us; "
      f"ratio {submit / grade:.2f}x")
PY
python3 scripts/share-stress.py build/linux/tests/results_driver 200
