"""Run from a folder outside the checkout by the interpreter under test: lumetra imports, its
engine is the library at `expected_library` (and no other libspecest is mapped), and one
estimate runs. Prints a digest of the estimate, so two installs can be compared bit for bit.

usage: check_python_install.py EXPECTED_VERSION EXPECTED_LIBRARY|--inside-package
"""

import hashlib
import os
import sys

import numpy as np

import lumetra
from lumetra import _abi


def fail(why):
    print(f"check_python_install: {why}", file=sys.stderr)
    sys.exit(1)


def main():
    version, expected = sys.argv[1], sys.argv[2]
    package_dir = os.path.dirname(os.path.realpath(lumetra.__file__))
    if expected == "--inside-package":
        expected = os.path.join(package_dir, "libspecest.so")
        if "LD_LIBRARY_PATH" in os.environ:
            fail("LD_LIBRARY_PATH is set; the bundled engine must load without it")
    if lumetra.__version__ != version:
        fail(f"version {lumetra.__version__}, expected {version}")
    if os.path.realpath(_abi.library_path) != os.path.realpath(expected):
        fail(f"engine loaded from {_abi.library_path}, expected {expected}")
    with open("/proc/self/maps", encoding="utf-8") as maps:
        mapped = {line.split()[-1] for line in maps if "libspecest" in line}
    if {os.path.realpath(m) for m in mapped} != {os.path.realpath(expected)}:
        fail(f"mapped engine files {sorted(mapped)}, expected only {expected}")

    t = np.arange(1024)
    rng = np.random.default_rng(7)
    x = np.sin(2 * np.pi * 0.2 * t) + 0.3 * rng.standard_normal(t.size)
    f, pxx = lumetra.psd(x, "burg", order=12, nfft=1024)
    f, pxx = np.asarray(f), np.asarray(pxx)
    peak = f[np.argmax(pxx)]
    if not np.all(np.isfinite(pxx)) or abs(peak - 0.2) > 2.0 / f.size:
        fail(f"Burg's peak at {peak}, expected near 0.2")
    digest = hashlib.sha256(f.tobytes() + pxx.tobytes()).hexdigest()
    print(f"{package_dir} {digest}")


main()
