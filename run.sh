#!/usr/bin/env bash
# Builds the Release program and runs it. Without a display (or with --headless) it runs every
# demo job and prints where the plots and run reports are.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLUMETRA_SANITIZE=OFF -DLUMETRA_BUILD_FRONTEND=ON -DLUMETRA_BUILD_CLI=ON
cmake --build build -j"$jobs"

if [ "${1:-}" != "--headless" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/Lumetra/Lumetra ]; then
  exec build/Lumetra/Lumetra
fi
# No display: every demo job of the Demos page, in its order, through the program's own batch
# run, with plots, spectra and run reports in one folder.
out=$(mktemp -d "${TMPDIR:-/tmp}/lumetra-demos.XXXXXX")
demos="Ex-Auto.0 Ex-Burg.0 Ex-Cov.0 Ex-mCov.0 Ex-RMLE.0 Ex-Lock.0 Ex-Durbi.0 Ex-MYWE.0
  Ex-LSMYW.0 Ex-Mayne.0 Ex-Perio.0 Ex-Black.0 Ex-MVSE.0
  Ex-0-pad.32 Ex-0-pad.64 Ex-0-pad.128 Ex-0-pad.256 Ex-0-pad.8k"
app="$PWD/build/Lumetra/Lumetra"
cd build/Lumetra/user
status=0
for job in $demos; do
  name=$(printf '%s' "$job" | tr 'A-Z.' 'a-z_')
  "$app" --batch "$job" --png "$out/$name.png" --csv "$out/$name.csv" --report "$out/$name.out" \
    >/dev/null || status=1
  echo "$job -> $out/$name.*"
done
echo "Plots (PNG), spectra (CSV) and run reports (.out) of the 18 demos are in $out"
exit $status
