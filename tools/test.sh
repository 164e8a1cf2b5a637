#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests: once in a normal build
# (benchmarks included, briefly) and once with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
jobs=$(nproc)

# Window tests need an X server; start a private one when there is none.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  display=":$((90 + RANDOM % 100))"
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=$display
fi

# Tests that carry real-time audio through paced sound devices can miss a deadline when the
# machine is loaded by the parallel run; a test that fails is run once more before it counts.
retry=(--repeat until-pass:2)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARLO_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" "${retry[@]}")

if [ "${VARLO_NO_SANITIZE:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARLO_SANITIZE=ON -DVARLO_WERROR=ON >/dev/null
  cmake --build build-asan -j "$jobs"
  # tests/support/ubsan.supp: a false report from the web view's engine (see there).
  ubsan_suppressions="$PWD/tests/support/ubsan.supp"
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS="suppressions=$ubsan_suppressions" \
     ctest --output-on-failure -j "$jobs" -LE bench "${retry[@]}")
fi

# A short fuzzing run of every decoder of network or file input (clang, ASan and UBSan),
# the targets in parallel; `bash tests/fuzz/run.sh 600` is a long run.
if [ "${VARLO_NO_FUZZ:-0}" != 1 ]; then
  bash tests/fuzz/run.sh "${VARLO_FUZZ_SECONDS:-25}"
fi
