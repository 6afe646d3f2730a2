#!/usr/bin/env bash
# Installs what is missing, builds, and starts ORVANTE2 Scope on its built-in simulated sensor.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/build.sh
exec build/orvante2-scope --demo "$@"
