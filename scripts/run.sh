#!/usr/bin/env bash
# Builds the programs and grades the sample exam: the starter page the
# candidate begins with, and the model answer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake --preset linux -DWEBEXAM_BUILD_TESTS=OFF -DWEBEXAM_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build --preset linux --target webexam-grade exam_material >/dev/null
build/linux/bin/webexam-grade exam/aa/index.htm tests/data/model_answer.htm
