#!/usr/bin/env bash
# Configures (once) and builds one build folder; a second run rebuilds only
# what changed. Usage: scripts/build.sh FOLDER [CMAKE OPTIONS...]
set -euo pipefail
cd "$(dirname "$0")/.."

folder=$1
shift
if [ ! -f "$folder/build.ninja" ]; then
    cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$folder"
