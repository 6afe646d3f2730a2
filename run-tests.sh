#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (in parallel, no display needed).
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/build.sh
cd build
ctest --output-on-failure -j "$(nproc)" --timeout 120
