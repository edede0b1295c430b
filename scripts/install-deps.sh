#!/usr/bin/env bash
# Installs everything needed to build, run and test the player on a fresh Debian 12 machine.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
  libglfw3-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dri xvfb xauth xdotool \
  libpng-dev libjpeg-dev libminizip-dev zlib1g-dev libopenal-dev libsndfile1-dev zip unzip \
  clang libclang-rt-14-dev llvm libtinyxml2-dev imagemagick openbox
