#!/bin/sh
# Builds everything and runs every test; tests that need a window run under
# Xvfb. Then the builds under ThreadSanitizer and AddressSanitizer run the
# tests labelled for them.
set -eu
cd "$(dirname "$0")/.."
JOBS="${JOBS:-$(nproc)}"

BUILD_DIR=build tools/build.sh
xvfb-run -a -s "-screen 0 1600x1100x24" \
  ctest --test-dir build --output-on-failure -j "$JOBS" -LE "benchmark"

if [ -f tools/run-sanitizer-tests.sh ]; then
  tools/run-sanitizer-tests.sh
fi
