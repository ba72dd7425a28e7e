#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev qt6-base-dev qt6-svg-dev fonts-dejavu-core
          python3 python3-numpy python3-scipy python3-pytest python3-statsmodels libhwy-dev libfast-float-dev
          python3-venv python3-build python3-wheel python3-setuptools dpkg-dev libsndfile1-dev
          python3-pandas python3-dask python3-distributed shared-mime-info)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "Missing packages (${missing[*]}) and no root or sudo to install them." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
