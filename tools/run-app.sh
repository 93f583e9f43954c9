#!/bin/sh
# Builds and starts the application (without a display, under Xvfb).
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}" tools/build.sh -DTAVELO_BUILD_TESTS=OFF -DTAVELO_BUILD_BENCHMARKS=OFF
APP="${BUILD_DIR:-build}/src/app/TaveloUpdater_artefacts/RelWithDebInfo/TaveloUpdater"
if [ -n "${DISPLAY:-}" ]; then
  exec "$APP"
else
  exec xvfb-run -a -s "-screen 0 1600x1100x24" "$APP"
fi
