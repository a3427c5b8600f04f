#!/usr/bin/env bash
# Installs what is missing, builds, and starts Blipnote on the desktop.
# Arguments are passed on to the program (a note file to open, --help, ...).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh build
exec build/blipnote "$@"
