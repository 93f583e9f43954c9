#!/bin/sh
# Starts the application on the current DISPLAY with a temporary HOME, waits
# for its window, saves a screenshot of the whole screen and stops the
# application with SIGINT (a clean quit).
# Usage: tools/screenshot-window.sh <app-binary> <out.png> [settle-seconds]
set -eu
app="$1"
out="$2"
settle="${3:-2}"
: "${DISPLAY:?needs a display, e.g. under xvfb-run}"

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME="$home" "$app" >"$home/app-output.txt" 2>&1 &
pid=$!

found=""
i=0
while [ $i -lt 200 ]; do
  if xdotool search --onlyvisible --name "Tavelo Updater" >/dev/null 2>&1; then found=yes; break; fi
  if ! kill -0 "$pid" 2>/dev/null; then break; fi
  sleep 0.05
  i=$((i + 1))
done
if [ -z "$found" ]; then
  echo "the window did not appear" >&2
  cat "$home/app-output.txt" >&2 || true
  kill -9 "$pid" 2>/dev/null || true
  exit 1
fi

sleep "$settle"
mkdir -p "$(dirname "$out")"
import -window root "$out"
kill -INT "$pid"
wait "$pid" || true
