#!/usr/bin/env bash
# Builds the exam client and starts it on the sample exam in exam/, which the
# build seals beside the program. Drive C: of the exam is $WEBEXAM_ROOT
# (default ~/webexam); the results share is $WEBEXAM_SHARE (default the
# folder share in it).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake --preset linux -DWEBEXAM_BUILD_TESTS=OFF -DWEBEXAM_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build --preset linux --target webexam webexam-grade exam_material >/dev/null

root="${WEBEXAM_ROOT:-$HOME/webexam}"
mkdir -p "$root"
if [[ -z "${WEBEXAM_SHARE:-}" ]]; then
  mkdir -p "$root/share"
fi
if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  echo "No desktop to show the exam client on (DISPLAY is not set)." >&2
  exit 1
fi
echo "Drive C: of the exam is $root; results go to ${WEBEXAM_SHARE:-$root/share/}"
exec build/linux/bin/webexam
