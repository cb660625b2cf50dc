#!/usr/bin/env bash
# Runs every test from a fresh Debian machine: installs what is missing,
# builds with warnings as errors, runs the suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh test
cmake --preset linux -DWEBEXAM_WERROR=ON -DWEBEXAM_BUILD_TESTS=ON -DWEBEXAM_BUILD_BENCHMARKS=ON
cmake --build --preset linux
ctest --preset linux
