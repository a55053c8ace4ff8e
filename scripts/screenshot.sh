#!/usr/bin/env bash
# Draws the main window offscreen into docs/main-window.png.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MERO_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" --target mero_screenshot -j2 >/dev/null
mkdir -p "$here/docs"
QT_QPA_PLATFORM=offscreen "$build/tests/gui/mero_screenshot" "$here/docs/main-window.png" "${1:-1}"
echo "$here/docs/main-window.png"
