#!/usr/bin/env bash
# Builds the libFuzzer target for the PER decoders of the RAS messages and the H.323
# user-user information with clang (AddressSanitizer and UBSan) and runs it.
#   tests/stack/asn/fuzz.sh [SECONDS]     default 60; builds in build-fuzz/ (VARLO_FUZZ_DIR)
# Fails when the fuzzer finds a crash, a leak or undefined behaviour; the input that
# caused it is left in the build directory.
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
seconds="${1:-60}"
out="${VARLO_FUZZ_DIR:-$root/build-fuzz}"
gen="$out/gen/stack/asn"
obj="$out/obj"
mkdir -p "$gen" "$obj" "$out/corpus" "$out/seeds"
cd "$root"

python3 -B tools/asn1gen/asn1gen.py --out "$gen" --config stack/asn/asn1gen.conf stack/asn/modules/*.asn

sanitize=(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
export FUZZ_CXXFLAGS="-std=c++20 -O1 -g ${sanitize[*]} -I$root -I$out/gen"
sources=(stack/asn/*.cpp "$gen"/*.cpp)
# Compile what changed, four at a time; the library is instrumented for coverage too.
printf '%s\n' "${sources[@]}" | xargs -P 4 -I{} bash -c '
  src="{}"; o="'"$obj"'/$(echo "$src" | tr / _).o"
  if [ ! -f "$o" ] || [ "$src" -nt "$o" ]; then
    clang++ $FUZZ_CXXFLAGS -fsanitize=fuzzer-no-link -c "$src" -o "$o"
  fi'
clang++ $FUZZ_CXXFLAGS -fsanitize=fuzzer tests/stack/asn/FuzzDecoders.cpp "$obj"/*.o \
  -o "$out/stack_asn_fuzz"

# Seeds: the messages the stack sends (fuzz_seeds.txt, hex).
python3 - "$out/seeds" tests/stack/asn/fuzz_seeds.txt <<'PY'
import sys
out, path = sys.argv[1], sys.argv[2]
lines = [l.strip() for l in open(path) if l.strip() and not l.startswith("#")]
for i, line in enumerate(lines):
    open("%s/seed%02d" % (out, i), "wb").write(bytes.fromhex(line))
PY

cd "$out"
ASAN_OPTIONS=detect_leaks=1 ./stack_asn_fuzz -max_total_time="$seconds" -rss_limit_mb=2048 \
  -max_len=4096 -print_final_stats=1 corpus seeds
