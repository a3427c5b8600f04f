#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package in build/:
# blipnote_VERSION_ARCH.deb, to install with "sudo apt install ./build/blipnote_*.deb".
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh build
cd build
cpack -G DEB
