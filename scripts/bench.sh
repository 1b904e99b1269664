#!/usr/bin/env bash
# Print Screen to file against scrot and maim, idle cost and memory, on a
# private Xvfb display; writes bench/results.md. Takes about five minutes.
#   scripts/bench.sh [--presses N] [--idle SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh scrot maim
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target capture_bench encode_bench >/dev/null
build/capture_bench bench/results.md "$@"
