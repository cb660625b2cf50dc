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
# Wine marks a Unix name starting with a dot hidden; Windows does not, and the
# teachers' tools must pass over webexam-check's dot-named probes themselves.
wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >/dev/null 2>&1
wineserver -w
mkdir -p "$scratch/share" "$WINEPREFIX/dosdevices/unc/teacher"
ln -s "$scratch/share" "$WINEPREFIX/dosdevices/unc/teacher/results"
WEBEXAM_TEST_UNC_SHARE='\\teacher\results\' ctest --preset windows -E EndToEnd
# The unit suite's Wine session began without a display (wineboot starts its
# desktop then), and a long one keeps that desktop, on which the client can
# make no window: the end-to-end test starts a session of its own.
wineserver -k || true
WEBEXAM_TEST_UNC_SHARE='\\teacher\results\' ctest --preset windows -R EndToEnd

echo "== The Windows zips: the candidates' and the teacher's; webexam-check.exe and clear-marker.bat under Wine"
rm -f build/windows/webexam-*-Windows.zip
(cd build/windows && cpack >/dev/null)
zip=$(ls build/windows/webexam-[0-9]*-Windows.zip)
teachers_zip=$(ls build/windows/webexam-teacher-*-Windows.zip)
python3 scripts/package-contents.py "$zip" "$teachers_zip"
python3 tests/packaging/probe_texts_test.py exam/exam.txt "$zip"
unzip -q "$zip" -d "$scratch/zip"
unzip -q "$teachers_zip" -d "$scratch/zip"
folder=$(echo "$scratch"/zip/webexam-[0-9]*-Windows)
grep -q $'\r$' "$folder/clear-marker.bat" || {
  echo "FAIL: clear-marker.bat lacks its CR LF" >&2
  exit 1
}
# The teacher's tools work from their own folder, on the sealed sample exam
# beside them; webexam-exam checks the editable sample and seals it as the
# build did.
teachers_folder=$(echo "$scratch"/zip/webexam-teacher-*-Windows)
(cd "$teachers_folder" &&
  timeout 120 wine webexam-grade.exe "..\\$(basename "$folder")\\aa\\index.htm" \
    'sample-exam\model.htm' >"$scratch/grade.txt")
[[ "$(cut -f2 "$scratch/grade.txt" | tr '\n' ' ')" == "0 22 " ]] || {
  echo "FAIL: the teacher's webexam-grade.exe did not grade the exam's own pages" >&2
  exit 1
}
(cd "$teachers_folder" && timeout 120 wine webexam-exam.exe check sample-exam >/dev/null &&
  timeout 120 wine webexam-exam.exe seal sample-exam sealed >/dev/null) &&
  cmp "$teachers_folder/sealed/exam.sealed" "$folder/exam.sealed" || {
  echo "FAIL: the teacher's webexam-exam.exe did not check and seal the sample exam" >&2
  exit 1
}
# Double-clicked, webexam-check.exe checks the PC in a console of its own and
# waits for a key there (ToolConsole.WaitsForAKeyOnlyOnAConsoleOfItsOwn); from
# a script with no standard input it prints the same lines and ends by itself.
# Its exit status is the checks': one may fail in this prefix (a marker the
# end-to-end test left); the lines and its ending are what count here.
status=0
(cd "$folder" && timeout 120 wine webexam-check.exe </dev/null >"$scratch/check.txt") ||
  status=$?
cat "$scratch/check.txt"
[[ $status == 0 || $status == 1 ]] &&
  grep -q "考试材料 .*通过（.*，程序所在的文件夹）" "$scratch/check.txt" || {
  echo "FAIL: webexam-check.exe from a script did not check the PC and end by itself ($status)" >&2
  exit 1
}
# Under Wine every program is elevated, so clear-marker.bat runs
# webexam-check.exe --clear-marker in its own window, as from an
# administrator's prompt; the answer to y/N (none)
# and the key that ends its pause come on standard input.
(cd "$folder" && echo | timeout 120 wine cmd /c clear-marker.bat) | tee "$scratch/clear.txt" ||
  true
grep -q "(y/N)\|不用删除" "$scratch/clear.txt" &&
  grep -q "考试材料 .*通过（.*，程序所在的文件夹）" "$scratch/clear.txt" &&
  grep -q "Press any key\|按任意键" "$scratch/clear.txt" || {
  echo "FAIL: clear-marker.bat did not run webexam-check.exe --clear-marker and wait for a key" >&2
  exit 1
}
