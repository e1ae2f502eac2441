#!/usr/bin/env bash
# Builds the directory and starts it on the bundled sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [ -x build/app/phonebook ]; then
    exec build/app/phonebook "$@"
fi
# Before the window exists, show what the sample data holds.
for t in build/Data/*/*; do build/tools/pxtool info "$t"; done
