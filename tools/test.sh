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

# A ThreadSanitizer run of the stack, engine and window tests.  A test that fails is run
# once more (as above), but a data race reported by any run fails the whole step.
# tests/support/tsan.supp: reports inside third-party libraries only (see there).
if [ "${VARLO_NO_TSAN:-0}" != 1 ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARLO_TSAN=ON -DVARLO_WERROR=ON >/dev/null
  tsan_targets=()
  for dir in tests/stack/*/ tests/engine/ tests/ui/; do
    [ -f "$dir/CMakeLists.txt" ] && tsan_targets+=("${dir%/}/all")
  done
  cmake --build build-tsan -j "$jobs" --target "${tsan_targets[@]}"
  tsan_reports="$PWD/build-tsan/tsan-reports"
  rm -rf "$tsan_reports" && mkdir -p "$tsan_reports"
  (cd build-tsan && TSAN_OPTIONS="suppressions=$PWD/../tests/support/tsan.supp log_path=$tsan_reports/report second_deadlock_stack=1" \
     ctest --output-on-failure -j "$jobs" -L '^(stack|engine|ui)$' "${retry[@]}")
  if compgen -G "$tsan_reports/report*" >/dev/null; then
    cat "$tsan_reports"/report* >&2
    echo "ThreadSanitizer reported the problems above" >&2
    exit 1
  fi
fi

# A short fuzzing run of every decoder of network or file input (clang, ASan and UBSan),
# the targets in parallel; `bash tests/fuzz/run.sh 600` is a long run.
if [ "${VARLO_NO_FUZZ:-0}" != 1 ]; then
  bash tests/fuzz/run.sh "${VARLO_FUZZ_SECONDS:-25}"
fi
