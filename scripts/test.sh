#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite (the workflow tests also under a real X server).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
cd build
ctest --output-on-failure -j2
