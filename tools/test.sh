#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests: once in a normal build
# (benchmarks included, briefly) and once with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
jobs=$(nproc)

# Starts an X server on a display number that no other server has (Xvfb picks it and
# names it once it listens): sets started_display and started_xvfb.
start_xvfb() {
  local number
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  started_xvfb=$!
  for _ in $(seq 100); do
    [ -s "$number" ] && break
    sleep 0.1
  done
  started_display=":$(head -n 1 "$number")"
  rm -f "$number"
}

# Window tests need an X server; start a private one when there is none.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  start_xvfb
  xvfb_pid=$started_xvfb
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=$started_display
fi

# A private X server with a real window manager, for the window tests whose outcome depends
# on stacking, focus or where the window manager puts a window: they run there a second time.
start_managed_display() {
  command -v openbox >/dev/null || return 1
  start_xvfb
  managed_display=$started_display
  managed_xvfb=$started_xvfb
  DISPLAY=$managed_display openbox --sm-disable >/dev/null 2>&1 &
  managed_wm=$!
  trap 'kill ${managed_wm:-} ${managed_xvfb:-} ${xvfb_pid:-} 2>/dev/null || true' EXIT
  return 0
}
stacking_tests='^Desktop\.|^QuickDialOnScreen\.|^WxTest\.'

# Failing tests count at once; only those labelled as carrying real-time audio are run a
# second time, and named (tools/ctest-run.sh).  The black-box cases (tests/blackbox, label
# "blackbox") run here, each on an X server of its own, under openbox and bare.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARLO_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
bash tools/ctest-run.sh build -j "$jobs"
# Every test program once more whole, all its cases in one process as a developer runs it:
# a case that passes only alone fails here (each program in network and mount namespaces
# and on an X server of its own, several at once; tools/run-whole.py).
python3 tools/run-whole.py build
if start_managed_display; then
  echo "Window tests under a window manager (openbox on $managed_display):"
  DISPLAY=$managed_display bash tools/ctest-run.sh build -R "$stacking_tests"
fi

if [ "${VARLO_NO_SANITIZE:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARLO_SANITIZE=ON -DVARLO_WERROR=ON >/dev/null
  cmake --build build-asan -j "$jobs"
  # tests/support/ubsan.supp: a false report from the web view's engine (see there).  The
  # black-box cases run in the normal build alone.
  ubsan_suppressions="$PWD/tests/support/ubsan.supp"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS="suppressions=$ubsan_suppressions" \
     bash tools/ctest-run.sh build-asan -j "$jobs" -LE '^(bench|blackbox)$'
fi

# A ThreadSanitizer run of the stack, engine and window tests, and of the options sheet,
# the audio wizard and the contact book, whose classes own threads.  A data race reported
# by any run fails the whole step, even in a test that passed when run again.  The sound
# devices are "null" alone (tests/support/alsa-null.conf) unless a test names its own.
# tests/support/tsan.supp: reports inside third-party libraries only (see there).
if [ "${VARLO_NO_TSAN:-0}" != 1 ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARLO_TSAN=ON -DVARLO_WERROR=ON >/dev/null
  tsan_targets=()
  for dir in tests/stack/*/ tests/engine/ tests/ui/ tests/setup/ tests/contacts/; do
    [ -f "$dir/CMakeLists.txt" ] && tsan_targets+=("${dir%/}/all")
  done
  cmake --build build-tsan -j "$jobs" --target "${tsan_targets[@]}"
  tsan_reports="$PWD/build-tsan/tsan-reports"
  rm -rf "$tsan_reports" && mkdir -p "$tsan_reports"
  TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp log_path=$tsan_reports/report second_deadlock_stack=1" \
  ALSA_CONFIG_PATH="$PWD/tests/support/alsa-null.conf" \
     bash tools/ctest-run.sh build-tsan -j "$jobs" -L '^(stack|engine|ui|setup|contacts)$'

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
