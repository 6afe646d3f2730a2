#!/usr/bin/env bash
# Regenerates the README's screenshots in docs/screenshots/ from the real program in demo mode
# (built-in simulated sensor, offscreen, no display needed). Usage: tools/update-screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target orvante2-shots
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
QT_QPA_PLATFORM=offscreen "$BUILD"/orvante2-shots "$OUT"
mkdir -p docs/screenshots
names=(connect parameter threshold conversion-table recorder scope service)
for i in "${!names[@]}"; do
    cp "$OUT/page$i.png" "docs/screenshots/${names[$i]}.png"
done
ls -l docs/screenshots
