#!/usr/bin/env bash
# Prints the performance figures of the README, each as a ratio against a
# reference measured in the same run: grading against raw reads, the submit
# pass against grading, preparing the candidate folder against rm -rf and
# cp -r, the clients' start-up against a minimal window program (the Linux
# client natively in Xvfb, the Windows one under Wine), and a burst of PCs
# submitting to one share.
#
# The builds are build/linux and build/windows, or the folders named by
# WEBEXAM_FIGURES_LINUX_BUILD and WEBEXAM_FIGURES_WINDOWS_BUILD.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh test
linux=${WEBEXAM_FIGURES_LINUX_BUILD:-build/linux}
windows=${WEBEXAM_FIGURES_WINDOWS_BUILD:-build/windows}
cmake --preset linux -B "$linux" -DWEBEXAM_BUILD_TESTS=ON -DWEBEXAM_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$linux" -j2 --target grading_bench submit_bench workspace_bench results_driver \
  webexam minimal_qt_window window_start >/dev/null
cmake --preset windows -B "$windows" -DWEBEXAM_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$windows" -j2 --target webexam minimal_win32_window >/dev/null

# GradePage as it was before the one-pass search, to time in the same run:
# commit dff0913's grading_bench, built as the Linux build is, in a worktree
# of its own that goes when this script ends.
before=dff0913
old=$(mktemp -d)
remove_old() {
  git worktree remove --force "$old/tree" >/dev/null 2>&1 || true
  rm -rf "$old"
}
trap remove_old EXIT
git worktree add --quiet --detach "$old/tree" "$before"
(cd "$old/tree" && cmake --preset linux -B "$old/build" -DWEBEXAM_BUILD_TESTS=ON \
  -DWEBEXAM_BUILD_BENCHMARKS=ON >/dev/null)
cmake --build "$old/build" -j2 --target grading_bench >/dev/null

json=$(mktemp -d)
trap 'rm -rf "$json"; remove_old' EXIT
"$old/build"/bench/grading_bench --benchmark_filter=BM_GradePage --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true --benchmark_format=json \
  --benchmark_out="$json/grading_bench_before.json" >/dev/null
for bench in grading_bench submit_bench workspace_bench; do
  "$linux"/bench/$bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_format=json --benchmark_out="$json/$bench.json" >/dev/null
done
remove_old
python3 - "$json" "$before" <<'PY'
import json, os, sys
def medians(name):
    data = json.load(open(os.path.join(sys.argv[1], name + ".json")))
    return {b["run_name"].split("/")[0]: b["real_time"] for b in data["benchmarks"]
            if b.get("aggregate_name") == "median"}
g = medians("grading_bench")
floor, grade = g["BM_RawReads"], g["BM_GradePage"]
print(f"GradePage on a 32000-byte page: {grade:.0f} us against 36 raw reads of it: "
      f"{floor:.0f} us; ratio {grade / floor:.1f}x")
before = medians("grading_bench_before")["BM_GradePage"]
print(f"GradePage on a 32000-byte page: {grade:.0f} us against {sys.argv[2]}'s GradePage: "
      f"{before:.0f} us; ratio {grade / before:.2f}x")
s = medians("submit_bench")
grade, submit = s["BM_GradePage"], s["BM_Submission"]
print(f"The whole submit pass: {submit:.0f} us against GradePage alone: {grade:.0f} us; "
      f"ratio {submit / grade:.2f}x")
w = medians("workspace_bench")
prepare, shell = w["BM_PrepareCandidateFolder"], w["BM_RmAndCp"]
print(f"Preparing the candidate folder (50 MB, 2000 files): {prepare:.0f} ms against "
      f"rm -rf and cp -r: {shell:.0f} ms; ratio {prepare / shell:.2f}x")
PY

# Start-up to the first window, seen as the X server maps it; medians of
# seven starts each, the two programs taking turns, after one start each to
# warm the caches.
python3 - "$linux" "$windows" <<'PY'
import os, shutil, statistics, subprocess, sys, tempfile, time
linux, windows = (os.path.abspath(path) for path in sys.argv[1:3])
watch = os.path.join(linux, "bench", "window_start")
work = tempfile.mkdtemp(prefix="webexam-figures-")
xvfb = None
try:
    for number in range(90, 140):
        if not os.path.exists("/tmp/.X%d-lock" % number):
            break
    display = ":%d" % number
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1024x768x24", "-dpi", "96",
                             "-nolisten", "tcp", "-noreset"], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    env = dict(os.environ, DISPLAY=display, LANG="C.UTF-8", QT_QPA_PLATFORM="xcb",
               WEBEXAM_ROOT=os.path.join(work, "c"), WEBEXAM_SHARE=os.path.join(work, "share/"),
               WINEPREFIX=os.path.join(work, "wine"), WINEDEBUG="-all")
    os.makedirs(os.path.join(work, "share"))
    while subprocess.run(["xdotool", "getmouselocation"], env=env,
                         capture_output=True).returncode != 0:
        time.sleep(0.1)

    def compare(what, program, title, floors):
        """Starts `program` and each floor in turn; prints medians and ratios."""
        runs = [(program, title)] + [(command, "最小窗口") for _, command in floors]
        times, peaks = [[] for _ in runs], [[] for _ in runs]
        for run in range(8):
            for which, (command, name) in enumerate(runs):
                out = subprocess.run([watch, name] + command, env=env, capture_output=True,
                                     text=True, check=True).stdout.split()
                if run > 0:
                    times[which].append(float(out[0]))
                    peaks[which].append(int(out[1]) / 1024)
        t, m = statistics.median(times[0]), statistics.median(peaks[0])
        for which, (floor_name, _) in enumerate(floors, start=1):
            f, n = statistics.median(times[which]), statistics.median(peaks[which])
            print(f"{what} start-up to its sign-in window: {t:.0f} ms against {floor_name}: "
                  f"{f:.0f} ms; ratio {t / f:.2f}x. Peak memory {m:.1f} MiB against "
                  f"{n:.1f} MiB; ratio {m / n:.2f}x")

    # The other floors write a word: the fonts that any window with text
    # loads, and an empty window does not.
    minimal = os.path.join(linux, "bench", "minimal_qt_window")
    compare("webexam", [os.path.join(linux, "bin", "webexam")], "考生登录",
            [("a minimal window", [minimal]),
             ("a minimal window showing abc", [minimal, "abc"]),
             ("a minimal window showing 考生登录", [minimal, "考生登录"])])

    # A fresh Wine prefix, then a server for it that stays up between the starts.
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    subprocess.run(["wineboot", "-i"], env=env, **quiet)
    subprocess.run(["wineserver", "-k"], env=env, **quiet)
    subprocess.run(["wineserver", "-p"], env=env, **quiet)
    program = ["wine", os.path.join(windows, "bin", "webexam.exe")]
    floor = ["wine", os.path.join(windows, "bench", "minimal_win32_window.exe")]
    compare("webexam.exe under Wine", program, "考生登录", [("a minimal window", floor)])
finally:
    if os.path.exists(os.path.join(work, "wine")):
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=os.path.join(
            work, "wine")), capture_output=True)
    if xvfb:
        xvfb.terminate()
        xvfb.wait()
    shutil.rmtree(work, ignore_errors=True)
PY

python3 scripts/share-stress.py "$linux"/tests/results_driver 200
python3 scripts/share-stress.py "$linux"/tests/results_driver 200 --smb
