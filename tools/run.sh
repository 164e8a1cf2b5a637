#!/usr/bin/env bash
# Installs what is missing, builds the softphone and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The program and its files (language libraries, user's guide) only: the tests are built by
# tools/test.sh.
cmake --build build -j "$(nproc)" --target Varlo
if [ -x build/ui/Varlo ]; then
  exec build/ui/Varlo "$@"
fi
echo "The main window is not built yet; 'bash tools/test.sh' runs what exists." >&2
