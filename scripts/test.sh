#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs the whole test suite.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/install-deps.sh --test
build="${MERO_BUILD_DIR:-$here/build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
