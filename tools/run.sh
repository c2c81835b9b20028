#!/usr/bin/env bash
# Builds topoplan and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target topoplan -j"$(nproc)"
exec ./build/topoplan
