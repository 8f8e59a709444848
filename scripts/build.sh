#!/usr/bin/env bash
# Configures and builds Quilbex in build/ (Release with debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DQUILBEX_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
