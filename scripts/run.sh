#!/usr/bin/env bash
# Builds and runs dudo. On a machine without a display it starts a private
# virtual display with a tray host, presses Print Screen once, prints the
# file that was written, and stops again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --run
# The program alone: the tests and their libraries are the test command's.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUDO_TESTS=OFF >/dev/null
cmake --build build --target dudo -j "$(nproc)"
binary="$PWD/build/dudo"

if [ -n "${DISPLAY:-}" ]; then
  exec "$binary"
fi

echo "No display: starting a private virtual display to show a capture."
work=$(mktemp -d); runtime=$(mktemp -d)
# The program first, the display last, so nothing loses its display.
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$runtime"
}
pids=(); trap cleanup EXIT
# -noreset: a display without clients for a moment must not reset under the program.
exec 3< <(exec Xvfb -displayfd 1 -screen 0 1280x800x24 -dpi 96 -nolisten tcp -noreset 2>/dev/null)
pids+=($!)
read -r number <&3
export DISPLAY=":$number" XDG_RUNTIME_DIR="$runtime"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 & pids+=($!)
(cd "$work" && exec "$binary") & pids+=($!)
for _ in $(seq 50); do xwininfo -name "dudo tray icon" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
xdotool key Print
for _ in $(seq 50); do ls "$work"/*.png >/dev/null 2>&1 && break; sleep 0.1; done
file=$(ls "$work"/*.png 2>/dev/null | head -n 1)
if [ -z "$file" ]; then echo "No picture was written." >&2; exit 1; fi
echo "Print Screen wrote: $file ($(stat -c %s "$file") bytes)"
