#!/usr/bin/env bash
# Builds the page with the README's two commands, as on a fresh machine.
set -euo pipefail
cd "$1"
if ! command -v em++ >/dev/null; then
  echo "SKIP: emscripten is not installed (scripts/install-deps installs it)"
  exit 77
fi
cmake --preset wasm >/dev/null
cmake --build --preset wasm
for f in index.html geigersim.js geigersim-core.js geigersim-core.wasm panel-normal.svg panel-turned.svg; do
  test -s "build/wasm/web/$f" || { echo "build/wasm/web/$f is missing"; exit 1; }
done
