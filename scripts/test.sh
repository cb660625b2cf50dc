#!/usr/bin/env bash
# Runs every test from a fresh Debian machine: installs what is missing,
# builds the Linux programs and runs their suite, makes the Debian package and
# tries it in a clean Debian root, runs the suite again built with
# AddressSanitizer and UndefinedBehaviorSanitizer, fuzzes for a bounded time,
# then cross-builds the Windows programs and runs the same suite and their
# end-to-end test under Wine. Warnings are errors.
#
# WEBEXAM_CACHE=DIR runs it as a machine that has never run it would, when DIR
# is an empty folder: every cache the scripts keep is then under DIR (see
# scripts/caches.sh). Use it on a fresh clone, so that no build is kept either.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/caches.sh

bash scripts/setup-debian.sh test

echo "== Linux"
cmake --preset linux -DWEBEXAM_WERROR=ON -DWEBEXAM_BUILD_TESTS=ON -DWEBEXAM_BUILD_BENCHMARKS=ON
cmake --build --preset linux
ctest --preset linux

echo "== The Debian package, installed in a clean Debian 12 root"
scripts/package-test.sh build/linux

echo "== Linux, with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset linux-asan -DWEBEXAM_WERROR=ON
cmake --build --preset linux-asan
ctest --preset linux-asan

echo "== Fuzzing, 30 s a target"
scripts/fuzz.sh 30

echo "== Windows, under Wine"
cmake --preset windows -DWEBEXAM_WERROR=ON
cmake --build --preset windows
# A fresh Wine prefix for this run, with the teacher's share \\teacher\results\
# mapped to a temporary folder.
scratch=$(mktemp -d)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
wineboot -i >/dev/null 2>&1
mkdir -p "$scratch/share" "$WINEPREFIX/dosdevices/unc/teacher"
ln -s "$scratch/share" "$WINEPREFIX/dosdevices/unc/teacher/results"
WEBEXAM_TEST_UNC_SHARE='\\teacher\results\' ctest --preset windows -E EndToEnd
# The unit suite's Wine session began without a display (wineboot starts its
# desktop then), and a long one keeps that desktop, on which the client can
# make no window: the end-to-end test starts a session of its own.
wineserver -k || true
WEBEXAM_TEST_UNC_SHARE='\\teacher\results\' ctest --preset windows -R EndToEnd

echo "== The Windows zip: ASCII names, the guide, check.bat under Wine"
(cd build/windows && cpack >/dev/null)
zip=$(ls build/windows/webexam-*-Windows.zip)
if unzip -Z1 "$zip" | LC_ALL=C grep '[^ -~]'; then
  echo "FAIL: a name in $zip is not ASCII (a Chinese Windows 7 would garble it)" >&2
  exit 1
fi
unzip -q "$zip" -d "$scratch/zip"
folder=$(echo "$scratch"/zip/webexam-*-Windows)
[[ "$(head -c 3 "$folder/guide.zh-CN.txt" | od -An -tx1)" == " ef bb bf" ]] &&
  grep -q $'\r$' "$folder/check.bat" || {
  echo "FAIL: the guide lacks its byte-order mark or check.bat its CR LF" >&2
  exit 1
}
# The key that ends the batch file's pause comes on standard input. Its exit
# status is webexam-check's: a check may fail in this prefix (a marker the
# end-to-end test left); the lines are what counts here.
(cd "$folder" && echo | wine cmd /c check.bat) | tee "$scratch/check.txt" || true
grep -q "考试材料 .*通过（.*，程序所在的文件夹）" "$scratch/check.txt" &&
  grep -q "Press any key\|按任意键" "$scratch/check.txt" || {
  echo "FAIL: check.bat did not run webexam-check.exe and wait for a key" >&2
  exit 1
}
