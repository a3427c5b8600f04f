#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite twice: in the
# normal build and in a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

scripts/build.sh build
(cd build && ctest --output-on-failure -j2)

scripts/build.sh build-sanitize -DBLIPNOTE_SANITIZE=ON -DBLIPNOTE_BUILD_BENCH=OFF
(cd build-sanitize &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j2)
