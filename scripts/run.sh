#!/usr/bin/env bash
# Sets up the machine, builds Pixfold and starts it (arguments pass through,
# e.g. /START /OVERWRITE).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
if [ -x build/src/pixfold ]; then
  exec build/src/pixfold "$@"
fi
echo "Pixfold's window is not built yet: only the image library and its tests exist so far." >&2
exit 1
