#!/usr/bin/env bash
# Installs what is missing, builds Veldane and starts it with workspace/ of the
# checkout as its working directory, where its settings, catalogues, kept mod
# copies, backups and log collect.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh" run
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELDANE_BUILD_TESTS=OFF
cmake --build "$top/build" -j"$(nproc)" --target veldane
mkdir -p "$top/workspace"
cd "$top/workspace"
exec "$top/build/veldane"
