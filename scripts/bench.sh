#!/usr/bin/env bash
# Print Screen to file against scrot and maim, idle cost and memory, on a
# private Xvfb display; writes bench/results.md. Takes about five minutes.
# With --wine: dudo.exe under Wine against the Linux build on the same
# screen instead; writes bench/wine-results.md. With --wayland: the key to
# the file on a headless sway, through the screen copy and the desktop
# portal, against a bound command that only makes a file; writes
# bench/wayland-results.md. With --png: the PNG levels on a corpus of screens
# made by real renderers (bench/corpus.sh), encoding alone and Print Screen
# to file against scrot and maim; writes bench/png-results.md.
#   scripts/bench.sh [--wine | --wayland | --png] [--presses N] [--idle SECONDS]
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
if [ "${1:-}" = "--png" ]; then
  shift
  scripts/install-deps.sh --test scrot maim
  [ -f build/corpus/web-3840x2160.png ] || bench/corpus.sh build/corpus
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUDO_TESTS=ON >/dev/null
  cmake --build build --target capture_bench encode_bench >/dev/null
  { echo '## PNG levels encoding alone, against libpng at zlib level 6'; echo; echo '```'
    build/encode_bench build/corpus --runs 7; echo '```'; } | tee bench/png-encode-results.md
  exec build/capture_bench bench/png-results.md --presses 7 --corpus build/corpus "$@"
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
