#!/usr/bin/env bash
# Builds every program (the `programs` target) and starts topoplan in the
# folder this was run from, so that saved topologies land there.
set -euo pipefail
here=$PWD
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTOPOPLAN_WERROR=OFF >/dev/null
cmake --build build --target programs -j"$(nproc)"
program=$PWD/build/topoplan
cd "$here"
exec "$program"
