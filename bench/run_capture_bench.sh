#!/usr/bin/env bash
# Idle cost and Print Screen latency of the running program, beside the bare
# screen copy, on a private Xvfb display. Not a test: it prints figures.
#   bench/run_capture_bench.sh [seconds-idle]
set -euo pipefail
cd "$(dirname "$0")/.."
idle=${1:-20}
cmake --build build --target dudo grab_bench press_to_grab_bench >/dev/null
for n in $(seq 150 250); do [ -e /tmp/.X11-unix/X$n ] || break; done
Xvfb :$n -screen 0 1920x1080x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
export DISPLAY=:$n XDG_RUNTIME_DIR=$(mktemp -d)
work=$(mktemp -d)
trap 'kill $prog $tray $xvfb 2>/dev/null; rm -rf "$work" "$XDG_RUNTIME_DIR"' EXIT
sleep 1
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 & tray=$!
build/grab_bench
build/press_to_grab_bench
(cd "$work" && exec "$OLDPWD/build/dudo") & prog=$!
sleep 2
ticks() { awk '{print $14 + $15}' /proc/$prog/stat; }
hz=$(getconf CLK_TCK)
t0=$(ticks); sleep "$idle"; t1=$(ticks)
awk -v a="$t0" -v b="$t1" -v s="$idle" -v hz="$hz" \
  'BEGIN { printf "idle with the poller running: %.3f%% of a core over %d s\n", 100 * (b - a) / hz / s, s }'
# Print Screen to the finished file, default settings (PNG "7"), 15 presses.
times=()
for i in $(seq 15); do
  before=$(ls "$work" | wc -l)
  start=$(date +%s%N)
  xdotool key Print
  while [ "$(ls "$work" | grep -vc '^\.')" -le "$before" ]; do sleep 0.001; done
  times+=($(( ($(date +%s%N) - start) / 1000 )))
  sleep 1.1
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "Print Screen to file (1920x1080 PNG 7, 15 presses): median %.1f ms, min %.1f, max %.1f\n", a[int((NR+1)/2)]/1000, a[1]/1000, a[NR]/1000}'
