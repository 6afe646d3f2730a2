#!/usr/bin/env bash
# Regenerates the screenshots from the real program in demo mode (built-in simulated sensor,
# offscreen, no display needed): docs/screenshots/en/ and docs/screenshots/de/ for the operator's
# guide, one picture per main page in each language, and the README's English ones in
# docs/screenshots/. Usage: tools/update-screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target orvante2-shots
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
names=(connect parameter threshold conversion-table recorder scope service)
for lang in en de; do
    QT_QPA_PLATFORM=offscreen "$BUILD"/orvante2-shots --language "$lang" "$OUT/$lang"
    mkdir -p "docs/screenshots/$lang"
    for name in "${names[@]}"; do
        cp "$OUT/$lang/$name.png" "docs/screenshots/$lang/$name.png"
    done
done
for name in "${names[@]}"; do
    cp "$OUT/en/$name.png" "docs/screenshots/$name.png"
done
ls -l docs/screenshots docs/screenshots/en docs/screenshots/de
