#!/usr/bin/env bash
# Installs what is missing, builds, and starts Blipnote.
# Arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh build
exec build/blipnote-cli listen "$@"
