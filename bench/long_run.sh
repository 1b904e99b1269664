#!/usr/bin/env bash
# 2,000 captures in one process on a private Xvfb display: every press one
# file, memory flat after warm-up. The test suite runs 200 of them.
#   bench/long_run.sh [presses]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target e2e_tests >/dev/null
DUDO_LONG_RUN_PRESSES=${1:-2000} build/e2e_tests --gtest_filter='LongRun.*'
