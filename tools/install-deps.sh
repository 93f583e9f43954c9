#!/bin/sh
# Installs the Debian 12 packages that building, running and testing need.
set -eu
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build ccache pkg-config git ca-certificates \
  juce-modules-source libspdlog-dev libfmt-dev googletest libgtest-dev libgmock-dev \
  libasound2-dev libfreetype-dev libfontconfig1-dev libx11-dev libxrandr-dev libxinerama-dev \
  libxcursor-dev libxext-dev libxcomposite-dev libgl-dev libpng-dev libjpeg-dev zlib1g-dev \
  clang libclang-rt-14-dev \
  lrzsz socat xvfb xauth x11-apps xdotool imagemagick fonts-dejavu-core
