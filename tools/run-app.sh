#!/bin/sh
# Builds and starts the application (without a display, under Xvfb). Its
# build folder is its own (build-app/, without tests and benchmarks), so that
# it never reconfigures the test command's build/.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build-app}"
BUILD_DIR="$BUILD_DIR" tools/build.sh -DTAVELO_BUILD_TESTS=OFF -DTAVELO_BUILD_BENCHMARKS=OFF
APP="$BUILD_DIR/src/app/TaveloUpdater_artefacts/RelWithDebInfo/TaveloUpdater"
if [ -n "${DISPLAY:-}" ]; then
  exec "$APP"
else
  exec xvfb-run -a -s "-screen 0 1600x1100x24" "$APP"
fi
