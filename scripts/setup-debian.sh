#!/usr/bin/env bash
# Installs the Debian packages that building and running the exam client need
# (and, with "test", testing it; with "screenshots", picturing it; with
# "package", trying its Debian package; with "fuse", reproducing the loss
# through FUSE mounts of the results share), only those that are missing.
set -euo pipefail

# The client: Qt 6 Widgets, its X11 plugin, a Song-style CJK font so that
# Chinese renders on a plain desktop, xdg-open for the candidate's report,
# libsmbclient for a results share given as smb://server/share/.
packages=(build-essential cmake pkg-config qt6-base-dev qt6-qpa-plugins fonts-arphic-uming
  xdg-utils libsmbclient-dev)
# Chinese names go in through the desktop's input method: the Qt 6 front end
# of fcitx5, and that of ibus, which ships in libqt6gui6.
packages+=(fcitx5-frontend-qt6 libqt6gui6)
# The teacher's guide is made into a web page by Debian's Python Markdown.
packages+=(python3-markdown)
case "${1:-}" in
  test)
    packages+=(libgtest-dev libbenchmark-dev python3 xvfb xdotool xclip)
    # fcitx5 with pinyin on a session bus of its own, typing a Chinese name.
    packages+=(fcitx5 fcitx5-pinyin dbus-daemon)
    # Sanitizers and fuzzing (clang's runtime); a browser to render HTML reports and the
    # guide, and Python's imaging library to find the guide's pictures in its screenshot.
    packages+=(clang libclang-rt-14-dev chromium python3-pil)
    # The Windows programs: cross-built, GoogleTest from source, run under Wine.
    packages+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest wine wine64)
    # A real SMB server for the results share tests, started on loopback in a
    # network namespace of their own; an SMB2 client that opens files as the
    # Windows client does; acl_xattr, for a share whose NT access lists let
    # candidates add to it but not read it.
    packages+=(samba smbclient python3-samba samba-vfs-modules iproute2)
    # A FUSE mount standing for a desktop's smb:// place, which the room
    # check must refuse.
    packages+=(bindfs fuse3)
    ;;
  screenshots) packages+=(python3 xvfb xdotool xclip imagemagick fonts-noto-cjk) ;;
  fuse)
    # A real SMB server on loopback, and the FUSE file systems a Linux desktop
    # reaches a share through: gvfs (a session bus of its own, gio) and smbnetfs.
    packages+=(samba smbclient python3-samba iproute2 dbus libglib2.0-bin gvfs-backends gvfs-fuse
      fuse3 smbnetfs)
    ;;
esac
# The Debian package: its checkers and a clean Debian root to install it in.
case "${1:-}" in
  test | package) packages+=(lintian desktop-file-utils appstream mmdebstrap python3 xvfb xdotool) ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=()
if [[ "$(id -u)" -ne 0 ]]; then
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}"
