#!/bin/sh
# Builds the test executables labelled "tsan" under ThreadSanitizer and those
# labelled "asan" under AddressSanitizer, and runs those tests.
set -eu
cd "$(dirname "$0")/.."
JOBS="${JOBS:-$(nproc)}"

for kind in tsan asan; do
  case $kind in
    tsan) sanitizer=thread ;;
    asan) sanitizer=address ;;
  esac
  dir="build-$kind"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVELO_SANITIZER=$sanitizer -DTAVELO_BUILD_BENCHMARKS=OFF >/dev/null
  targets=$(grep -v '^$' "$dir/$kind-targets.txt" || true)
  if [ -z "$targets" ]; then continue; fi
  # shellcheck disable=SC2086
  cmake --build "$dir" --target $targets
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ASAN_OPTIONS="detect_leaks=0:halt_on_error=1" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    xvfb-run -a -s "-screen 0 1600x1100x24" \
    ctest --test-dir "$dir" --output-on-failure -j "$JOBS" -L "$kind"
done

if [ -x tools/run-fuzzers.sh ]; then
  tools/run-fuzzers.sh
fi
