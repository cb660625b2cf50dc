#!/usr/bin/env bash
# Installs the Debian packages that building (and, with "test", testing) needs,
# only those that are missing.
set -euo pipefail

packages=(build-essential cmake pkg-config)
if [[ "${1:-}" == "test" ]]; then
  packages+=(libgtest-dev libbenchmark-dev python3)
fi

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
