#!/usr/bin/env bash
# Sets up the machine, builds Pixfold and starts it (arguments pass through,
# e.g. /START /OVERWRITE).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target pixfold
exec build/src/pixfold "$@"
