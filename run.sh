#!/usr/bin/env bash
# Builds the Release program and runs it. Without a display (or with --headless) it runs the
# bundled example job through specest-run and prints the peak table.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLUMETRA_SANITIZE=OFF -DLUMETRA_BUILD_FRONTEND=ON -DLUMETRA_BUILD_CLI=ON
cmake --build build -j"$jobs"

if [ "${1:-}" != "--headless" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/Lumetra/Lumetra ]; then
  exec build/Lumetra/Lumetra
fi
out=$(mktemp -d)
exec build/specest-run examples/Ex-Perio.0 --report-dir "$out" --no-pause
