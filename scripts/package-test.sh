#!/usr/bin/env bash
# Makes the two Debian packages (cpack -G DEB in the linux build), webexam for
# the lab PCs and webexam-teacher for the teacher's PC, and tries them for
# real: what each holds (no teacher's tool nor editable exam among the
# candidates', no text the key looks for in their files), lintian,
# desktop-file-validate and appstreamcli validate; then each is installed with
# apt into a clean, minimal Debian 12 root: webexam-teacher alone first, where
# webexam-grade and webexam-results run and webexam-exam makes, checks and
# seals an exam from the sample, then webexam, where webexam-check (on the
# sample exam and on that sealed exam) and the client's sign-in window (on an
# Xvfb of this machine) run. Both are purged, leaving nothing behind.
#
#   scripts/package-test.sh [BUILD]     (default build/linux)
#
# Needs root (chroot) and, the first time, the network: the minimal root
# (mmdebstrap, from the Debian 12 mirror of this machine's own apt sources)
# and the packages apt fetches into it are kept in $WEBEXAM_ROOT_CACHE
# (default /var/cache/webexam-test, or $WEBEXAM_CACHE/debian-root when
# WEBEXAM_CACHE is set) for later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/caches.sh
if [[ "$(id -u)" -ne 0 ]]; then
  exec sudo --preserve-env=WEBEXAM_ROOT_CACHE,WEBEXAM_CACHE "$0" "$@"
fi

bash scripts/setup-debian.sh package
build=${1:-build/linux}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake --preset linux -B "$build" -DWEBEXAM_BUILD_TESTS=OFF -DWEBEXAM_BUILD_BENCHMARKS=OFF \
    >/dev/null
fi
cmake --build "$build" -j2 >/dev/null
rm -f "$build"/webexam_*.deb "$build"/webexam-teacher_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/webexam_*.deb)
teachers_deb=$(ls "$build"/webexam-teacher_*.deb)
echo "== $deb and $teachers_deb"
python3 scripts/package-contents.py "$deb" "$teachers_deb"
python3 tests/packaging/probe_texts_test.py exam/exam.txt "$deb"

work=$(mktemp -d)
xvfb=
cleanup() {
  [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null
  if [[ -d "$work/root/proc" ]] && mountpoint -q "$work/root/proc"; then
    umount "$work/root/proc"
  fi
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

echo "== lintian, desktop-file-validate, appstreamcli validate"
# Root may run lintian on the package it just made; lintian's word on that
# is left out.
lintian --fail-on error,warning "$deb" "$teachers_deb" 2> >(grep -v "running with root privileges" >&2)
dpkg-deb -x "$deb" "$work/contents"
desktop-file-validate "$work"/contents/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/contents/usr/share/metainfo/*.metainfo.xml

echo "== a clean Debian 12 root"
# The root fetches from this machine's own Debian 12 mirror, with the apt
# options that reaching it takes (a proxy, a snapshot mirror's old dates).
python3 scripts/debian-sources.py >"$work/debian.sources"
apt-config dump | grep -E '^Acquire::((http|https|ftp|socks)(::| )|(Check-Valid-Until|Check-Date|Max-ValidTime|Min-ValidTime|Retries|ForceIPv4|ForceIPv6) )' \
  >"$work/apt.conf" || true
# The cache is kept per mirror and options: another mirror makes a new root.
cache=${WEBEXAM_ROOT_CACHE:-/var/cache/webexam-test}
key=$(cat "$work/debian.sources" "$work/apt.conf" | sha256sum | cut -c1-12)
tarball=$cache/bookworm-apt-$key.tar
mkdir -p "$cache/debs"
# A root kept from an earlier run is used only when it is a whole tarball.
if [[ -e "$tarball" ]] && ! { [[ -f "$tarball" ]] && tar -tf "$tarball" >/dev/null 2>&1; }; then
  echo "$tarball is no whole tarball: making it again"
  rm -rf --one-file-system "$tarball"
fi
if [[ ! -f "$tarball" ]]; then
  rm -rf --one-file-system "$tarball.part"
  mmdebstrap --variant=apt --mode=root --format=tar --aptopt="$work/apt.conf" bookworm \
    "$tarball.part" "$work/debian.sources"
  mv "$tarball.part" "$tarball"
fi
root=$work/root
mkdir "$root"
tar -C "$root" -xf "$tarball"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$cache"/debs/*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true
cp "$deb" "$root/tmp/webexam.deb"
cp "$teachers_deb" "$root/tmp/webexam-teacher.deb"
# The programs find themselves through /proc, as on any installed system.
mount -t proc proc "$root/proc"
in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}
# What the root holds, but for the folders that change by themselves.
snapshot() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./dev -o -path ./tmp -o -path ./root \
    -o -path ./var/cache -o -path ./var/log -o -path ./var/lib/dpkg -o -path ./var/lib/apt \) \
    -prune -o -print | LC_ALL=C sort)
}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq --no-install-recommends \
    "$1" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "$1 does not install"
  }
  cp -n "$root"/var/cache/apt/archives/*.deb "$cache/debs/" 2>/dev/null || true
}
in_root apt-get update -qq

echo "== apt-get install webexam-teacher.deb, alone: webexam-grade, webexam-results, webexam-exam"
apt_install /tmp/webexam-teacher.deb
sample=/usr/share/webexam/sample-exam
in_root webexam-grade --exam $sample $sample/model.htm | tee "$work/grade"
[[ "$(cut -f2 "$work/grade")" == "22" ]] || fail "wrong marks"
in_root webexam-results --help >/dev/null || fail "webexam-results does not run"
[[ -s "$root/usr/share/doc/webexam-teacher/guide.zh-CN.html" ]] || fail "no guide"
# A new exam from the installed sample, checked and sealed as the guide says.
in_root webexam-exam new /tmp/new-exam >/dev/null || fail "webexam-exam new did not find the sample"
in_root webexam-exam check /tmp/new-exam | tail -1 | tee "$work/exam-check"
grep -q "检查通过" "$work/exam-check" || fail "webexam-exam check failed on the sample"
in_root webexam-exam seal /tmp/new-exam /tmp/sealed-exam || fail "webexam-exam seal failed"
python3 tests/packaging/probe_texts_test.py exam/exam.txt "$root/tmp/sealed-exam" ||
  fail "the sealed exam shows the key"

echo "== apt-get install webexam.deb"
apt_install /tmp/webexam.deb

echo "== webexam-check, on the sample exam and on the PC's own exam folder"
in_root mkdir -p /tmp/c /tmp/share
# The clean root has xdg-open (the package needs xdg-utils) but no program
# for text files: that check fails, saying so, and every other one passes.
check() {
  local status=0
  in_root "$@" WEBEXAM_ROOT=/tmp/c WEBEXAM_SHARE=/tmp/share/ webexam-check >"$work/check" ||
    status=$?
  cat "$work/check"
  [[ $status -eq 1 && $(grep -c "失败" "$work/check") -eq 1 ]] &&
    grep -q "有查看成绩报告的程序 .*失败：xdg-open 找不到打开 .txt 文件的程序" "$work/check" ||
    fail "webexam-check failed"
}
check
grep -q "考试材料 .*通过（/usr/share/webexam/exam，软件包自带的示例考题" "$work/check" ||
  fail "the sample exam was not found"
in_root mkdir -p /etc/webexam
in_root cp -r /tmp/sealed-exam /etc/webexam/exam
check
grep -q "考试材料 .*通过（/etc/webexam/exam，本机的考试文件夹）" "$work/check" ||
  fail "the PC's own exam folder was not taken"
in_root rm -r /etc/webexam

echo "== webexam-grade on the installed sample exam"
in_root webexam-grade /usr/share/webexam/exam/aa/index.htm | tee "$work/grade"
[[ "$(cut -f2 "$work/grade")" == "0" ]] || fail "wrong marks"

echo "== the client's sign-in window, on this machine's Xvfb"
# The chroot shares this machine's network, so the client reaches the X
# server through its abstract socket.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  sleep 0.1
done
display=$(cat "$work/display")
# Started without the shell function, so that $! is the client itself
# (chroot and env each run the next program in their own process).
chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 DISPLAY=":$display" \
  WEBEXAM_ROOT=/tmp/c WEBEXAM_SHARE=/tmp/share/ webexam >"$work/client.log" 2>&1 &
client=$!
for _ in $(seq 100); do
  DISPLAY=":$display" xdotool search --name "^考生登录$" >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=":$display" xdotool search --name "^考生登录$" >/dev/null || {
  cat "$work/client.log"
  fail "no sign-in window"
}
echo "考生登录 shown"
kill "$client"
wait "$client" 2>/dev/null || true

echo "== apt-get purge webexam webexam-teacher"
in_root dpkg -L webexam webexam-teacher | grep -v "^$" >"$work/files"
DEBIAN_FRONTEND=noninteractive in_root apt-get purge -y -qq webexam webexam-teacher \
  >"$work/apt.log" 2>&1 || fail "the packages do not purge: $(cat "$work/apt.log")"
while read -r path; do
  if [[ -e "$root$path" && ! -d "$root$path" ]] ||
    { [[ -d "$root$path" ]] && ! in_root dpkg -S "$path" >/dev/null 2>&1; }; then
    fail "left behind: $path"
  fi
done <"$work/files"
# Once more from here, the dependencies in place: installing, running and
# purging the packages leaves the root as it was.
before=$(snapshot)
in_root dpkg -i /tmp/webexam.deb /tmp/webexam-teacher.deb >/dev/null
check >/dev/null
in_root dpkg --purge webexam webexam-teacher >/dev/null
diff <(echo "$before") <(snapshot) || fail "the purge left the root changed"
echo "== the packages install, work and purge cleanly"
