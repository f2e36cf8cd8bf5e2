#!/usr/bin/env bash
# Lints the sources, builds everything and runs every test: the host unit
# tests under sanitizers, the Windows tests under Wine and Xvfb (x64), the
# checks of the x86 executable file, and the release command with a throwaway
# signing certificate. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || exit 1

wine_state=build/windows/wine
trap 'cmake/wine-session.sh down "$wine_state" >/dev/null 2>&1' EXIT

build() {
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -- -k 0
}

status=0
bash scripts/lint.sh || status=1
build host || status=1
build windows || status=1
build windows-x86 || status=1
ctest --preset host || status=1
ctest --preset windows || status=1
ctest --preset windows-x86 || status=1
# A quick pass of the benchmark, so that its script cannot rot.
OUT=build/bench-smoke bash bench/bench.sh --smoke >build/bench-smoke.log 2>&1 ||
    { status=1; echo "benchmark smoke run failed:"; tail -20 build/bench-smoke.log; }
# The release, built in another folder, must match the builds above byte for byte.
bash tests/release/release_test.sh || status=1
exit "$status"
