#!/usr/bin/env bash
# Builds the directory and starts it on the bundled sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [ -x build/bin/phonebook ]; then
    exec build/bin/phonebook "$@"
fi
# Before the window exists, show what the sample data holds.
for t in build/bin/Data/*/*.[dD][bB]; do build/bin/pxtool info "$t"; done
