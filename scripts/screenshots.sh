#!/usr/bin/env bash
# Remakes the pictures in docs/: the end-to-end run of the client under Xvfb,
# photographing the sign-in window, the grading window, the refusal box and
# the report.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh screenshots
cmake --preset linux -DWEBEXAM_BUILD_TESTS=OFF -DWEBEXAM_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build --preset linux --target webexam exam_material >/dev/null
mkdir -p docs
# The busy window needs the test driver that holds the share log, built with
# the tests (scripts/test.sh builds it).
holder=()
[[ -x build/linux/tests/results_driver ]] && holder=(--holder build/linux/tests/results_driver)
python3 tests/e2e/client_test.py build/linux/bin/webexam exam/model.htm \
  --screenshots docs "${holder[@]}"
# The report as a text viewer shows it. ImageMagick's own convert, by its full
# path: a convert earlier on PATH may be something else.
/usr/bin/convert -background white -fill black -font Noto-Sans-Mono-CJK-SC -pointsize 14 \
  label:"$(cat docs/report.txt)" -bordercolor white -border 12 docs/report.png
rm docs/report.txt
