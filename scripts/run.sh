#!/usr/bin/env bash
# Builds the directory and starts it on the bundled sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
exec build/bin/phonebook "$@"
