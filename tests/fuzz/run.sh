#!/usr/bin/env bash
# Builds every libFuzzer target (clang, AddressSanitizer and UBSan; in build-fuzz/, or
# VARLO_FUZZ_DIR) and fuzzes each of them for SECONDS, several at once.
#   tests/fuzz/run.sh [SECONDS] [TARGET...]     default 25 seconds, every target
# VARLO_FUZZ_JOBS: targets run at once (default: the number of cores).
# Each target keeps its corpus in <dir>/fuzz/<target>/corpus, so later runs go on from
# what earlier ones found; its seeds are made by the target itself.  Fails when a target
# finds a crash, a leak, undefined behaviour or a hang; the input is left beside its log.
# The targets run in a private network namespace when the system allows one, so the call
# targets reach nothing but loopback.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-25}"
shift || true
out="${VARLO_FUZZ_DIR:-$root/build-fuzz}"
jobs="${VARLO_FUZZ_JOBS:-$(nproc)}"
all=(stack_asn_fuzz fuzz_signal fuzz_call fuzz_h245 fuzz_rtp fuzz_relay fuzz_g7231 fuzz_gsm fuzz_archive fuzz_profile fuzz_video)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARLO_FUZZ=ON \
  "${launcher[@]}" >/dev/null
cmake --build "$out" -j "$(nproc)" --target "${targets[@]}"

private_net=0
unshare -n sh -c 'ip link set lo up' 2>/dev/null && private_net=1

run_one() {
  local target="$1" work="$out/fuzz/$1"
  local program isolate=()
  [ "$private_net" = 1 ] && isolate=(unshare -n sh -c 'ip link set lo up && exec "$@"' sh)
  program="$(find "$out/tests" -type f -name "$target" -perm -u+x | head -n 1)"
  mkdir -p "$work/corpus" "$work/seeds"
  if [ "$target" = stack_asn_fuzz ]; then
    # The messages the stack sends, as hex lines.
    grep -v '^#' "$root/tests/stack/asn/fuzz_seeds.txt" | grep . | nl -nrz -w3 |
      while read -r n hex; do echo "$hex" | xxd -r -p >"$work/seeds/seed$n"; done
  else
    VARLO_FUZZ_SEEDS="$work/seeds" "${isolate[@]}" "$program" >"$work/seeds.log" 2>&1 ||
      { echo "$target: making its seeds failed (see $work/seeds.log)"; return 1; }
  fi
  local status=0
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 "${isolate[@]}" "$program" \
     -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
     corpus seeds >fuzz.log 2>&1) || status=$?
  local runs
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/fuzz.log" | grep -o '[0-9]*$' || echo '?')"
  if [ "$status" -ne 0 ]; then
    echo "$target: FAILED after $runs runs (see $work/fuzz.log)"
    grep -m 3 -E 'ERROR|SUMMARY|runtime error' "$work/fuzz.log" || true
    return 1
  fi
  echo "$target: $runs runs in ${seconds}s, nothing found"
}
export -f run_one
export out root seconds private_net

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'
