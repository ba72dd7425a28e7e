#!/usr/bin/env bash
# pip install of a clean copy of the checkout into a fresh virtual environment, offline, then
# the wheel: the engine is built inside the package and loaded from there, from any folder.
#   pip_install.sh SOURCE_DIR WORK_DIR PYTHON BUILD_PYTHON_DIR VERSION
set -euo pipefail
src=$1 work=$2 python=$3 build_python=$4 version=$5
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work/src" "$work/elsewhere"
# The files of the checkout (tracked and new, never ignored build trees), as a clean clone has.
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$src" && git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t "$work/src")
else
  (cd "$src" && tar --exclude='./build*' -cf - .) | (cd "$work/src" && tar -xf -)
fi
# The copy's engine compiles exactly like the build's, so a compiler cache can be shared.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$src")}
fi
unset LD_LIBRARY_PATH PYTHONPATH

"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --no-build-isolation --no-index "$work/src"

cd "$work/elsewhere"
installed=$("$work/venv/bin/python" "$here/check_python_install.py" "$version" --inside-package)
case $installed in
  "$work"/venv/*) ;;
  *) echo "lumetra imported from ${installed%% *}, not from the virtual environment"; exit 1 ;;
esac
# The same estimate bit for bit as the build tree's package.
reference=$(PYTHONPATH=$build_python "$python" "$here/check_python_install.py" "$version" \
            "$build_python/lumetra/libspecest.so")
[ "${installed##* }" = "${reference##* }" ] ||
  { echo "installed and build-tree estimates differ: $installed / $reference"; exit 1; }

# A wheel tagged for this platform, whose engine links no Qt.
cd "$work/src"
"$python" -m build --wheel --no-isolation --outdir "$work/dist" >/dev/null
wheel="$work/dist/lumetra-$version-py3-none-linux_$(uname -m).whl"
[ -f "$wheel" ] || { echo "no $wheel; made: $(ls "$work/dist")"; exit 1; }
"$python" - "$wheel" "$work/unpacked" <<'PY'
import subprocess, sys, zipfile
wheel, out = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(wheel) as z:
    names = z.namelist()
    if "lumetra/libspecest.so" not in names:
        sys.exit(f"{wheel}: no lumetra/libspecest.so in {names}")
    if not any(n.endswith(".dist-info/LICENSE") for n in names):
        sys.exit(f"{wheel}: no LICENSE")
    wheel_meta = z.read(next(n for n in names if n.endswith(".dist-info/WHEEL"))).decode()
    if "Root-Is-Purelib: false" not in wheel_meta:
        sys.exit(f"{wheel}: marked pure Python")
    z.extract("lumetra/libspecest.so", out)
needed = subprocess.run(["readelf", "-d", f"{out}/lumetra/libspecest.so"], check=True,
                        capture_output=True, text=True).stdout
if "Qt" in needed or "NEEDED" not in needed:
    sys.exit(f"{wheel}: the engine's dependencies are wrong:\n{needed}")
PY
echo "pip install and wheel: OK ($installed)"
