#!/usr/bin/env bash
# Builds the core with clang's libFuzzer and runs each target for a bounded
# time from its committed corpus. A crash, a hang or a sanitizer report
# fails the run and leaves the input in build-fuzz/findings/.
#   scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
scripts/install-deps.sh --test clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUDO_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzzers
mkdir -p build-fuzz/findings
for target in numeric_fuzz bmp_fuzz tray_record_fuzz capture_area_fuzz x11_property_fuzz \
    sway_reply_fuzz kwin_picture_fuzz portal_uri_fuzz app_id_fuzz gsettings_list_fuzz; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  echo "fuzzing $target for ${seconds}s"
  # New inputs go to the build folder; the committed seeds stay as they are.
  log=build-fuzz/$target.log
  if ! build-fuzz/$target "$corpus" "fuzz/corpus/$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -artifact_prefix=build-fuzz/findings/$target- -print_final_stats=1 >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$target found a fault: see build-fuzz/findings/"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$log" || tail -n 2 "$log"
done
