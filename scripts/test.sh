#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
#   scripts/test.sh             the normal build, warnings as errors
#   scripts/test.sh --sanitize  the same under AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

dir=build
opts=(-DPHONEBOOK_WERROR=ON -DPHONEBOOK_BENCH=ON)
if [ "${1:-}" = "--sanitize" ]; then
    dir=build-asan
    opts=(-DPHONEBOOK_WERROR=ON -DPHONEBOOK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
scripts/build.sh "$dir" "${opts[@]}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0
ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)"
