#!/usr/bin/env bash
# Print Screen to file against scrot and maim, idle cost and memory, on a
# private Xvfb display; writes bench/results.md. Takes about five minutes.
# With --wine: dudo.exe under Wine against the Linux build on the same
# screen instead; writes bench/wine-results.md. With --wayland: the key to
# the file on a headless sway, through the screen copy and the desktop
# portal, against a bound command that only makes a file; writes
# bench/wayland-results.md.
#   scripts/bench.sh [--wine | --wayland] [--presses N] [--idle SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
results=bench/results.md wine=()
if [ "${1:-}" = "--wayland" ]; then
  shift
  scripts/install-deps.sh --test
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUDO_TESTS=ON >/dev/null
  cmake --build build --target wayland_bench >/dev/null
  exec build/wayland_bench bench/wayland-results.md "$@"
fi
if [ "${1:-}" = "--wine" ]; then
  scripts/windows.sh
  results=bench/wine-results.md wine=(-DDUDO_WINE_PROGRAM="$PWD/build-win/dudo.exe")
else
  scripts/install-deps.sh --test scrot maim
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUDO_TESTS=ON "${wine[@]}" >/dev/null
cmake --build build --target capture_bench encode_bench >/dev/null
build/capture_bench "$results" "$@"
