#!/usr/bin/env bash
# Builds and runs every test: cross-built for Windows under Wine, once as is
# (the desktop scenarios on X11 and on the Windows program under Wine), once
# under AddressSanitizer and UndefinedBehaviorSanitizer; then the Debian
# package and a bounded fuzzing run. Desktop tests start their own virtual display;
# a test that fails is run once more, so that a rare timing fault of the
# virtual desktop does not hide the rest (its first failure is still printed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
jobs=$(nproc)
# The Windows program cross-built, its unit tests under Wine; its desktop
# scenarios run below with the Linux ones, on the same runner.
scripts/windows.sh --release --test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUDO_TESTS=ON -DDUDO_WINE_PROGRAM="$PWD/build-win/dudo.exe" >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300 --repeat until-pass:2
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDUDO_TESTS=ON -DDUDO_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600 --repeat until-pass:2
# The Debian package: built, installed with apt, started from its menu entry, removed.
scripts/package.sh --check
# Bounded fuzzing of the parsers and the arithmetic behind the fields.
scripts/fuzz.sh 30
