#!/usr/bin/env bash
# Redraws the main window's pictures (resources/pictures/*.png) from scripts/artwork/draw_artwork.cpp.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(mktemp -d)"
trap 'rm -rf "$build"' EXIT
cmake -S "$here/scripts/artwork" -B "$build" >/dev/null
cmake --build "$build" >/dev/null
QT_QPA_PLATFORM=offscreen "$build/draw_artwork" "$here/resources/pictures"
