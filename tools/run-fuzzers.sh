#!/bin/sh
# Builds the SysEx answer parser's fuzzer with clang (libFuzzer, address and
# undefined behaviour sanitizers) in its own build folder, seeds it with the
# valid answers and their truncations, and runs it for a bounded time.
# Fails on any finding; the crashing input is left in <build>/artifacts/.
set -eu
cd "$(dirname "$0")/.."

dir="${FUZZ_BUILD_DIR:-build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"

cmake -S tests/midiUsb/fuzz -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$dir"

seeds="$dir/seeds"
corpus="$dir/corpus"
rm -rf "$seeds"
mkdir -p "$corpus" "$dir/artifacts"
"$dir/sysex_fuzz_seeds" "$seeds"

ASAN_OPTIONS="halt_on_error=1:detect_leaks=1" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
  "$dir/sysex_answer_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$corpus" "$seeds"
echo "SysEx answer fuzzer: no finding in ${seconds} s"
