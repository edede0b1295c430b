#!/usr/bin/env bash
# Installs what the project needs, builds the player and its sample content, and plays the sample demo.
# Set SKIP_INSTALL=1 to skip the package install.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
if [ "${SKIP_INSTALL:-0}" != "1" ]; then
  bash scripts/install-deps.sh
fi
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALCYRA_TESTS=OFF -DHALCYRA_BENCH=OFF
cmake --build build/release -j"$(nproc)"
# The build tree's demo folder holds the sample demo: its text sources and the generated music.
cd build/release/demo
exec ../source/halcyra
