"""Builds the engine (libspecest, nothing else) with CMake and puts it inside the package.

The metadata is in pyproject.toml; here only what needs code: the version, read from the
engine's project() so it is written in one place, and the build step. The library goes into
lumetra/ as libspecest.so, where lumetra._abi loads it by a path relative to the package.
Extra CMake arguments may be given in LUMETRA_CMAKE_ARGS; CMake's own environment variables
(CMAKE_CXX_COMPILER_LAUNCHER=ccache, ...) apply as usual.
"""

import os
import re
import shlex
import shutil
import subprocess
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution
from wheel.bdist_wheel import bdist_wheel

ROOT = Path(__file__).resolve().parent
LIBRARY = "libspecest.so"


def engine_version():
    cmake_lists = ROOT / "CMakeLists.txt"
    match = re.search(
        r"project\(\s*Lumetra\s+VERSION\s+([0-9]+\.[0-9]+\.[0-9]+)",
        cmake_lists.read_text(encoding="utf-8"),
    )
    if not match:
        raise RuntimeError(f"{cmake_lists}: no 'project(Lumetra VERSION x.y.z ...)' line")
    return match.group(1)


class BuildWithEngine(build_py):
    """Copies the Python files, then builds libspecest and copies it beside them."""

    def run(self):
        super().run()
        # The same depth below the sources as build/, so a compiler cache hits both.
        build_dir = WORK
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DLUMETRA_BUILD_FRONTEND=OFF", "-DLUMETRA_BUILD_CLI=OFF",
            "-DLUMETRA_BUILD_TESTS=OFF", "-DLUMETRA_BUILD_BENCH=OFF",
            "-DLUMETRA_BUILD_PYTHON=OFF",
        ] + shlex.split(os.environ.get("LUMETRA_CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        jobs = str(os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build_dir), "--target", "specest", "-j", jobs],
                       check=True)
        # The real file, not the SONAME links: a wheel holds no symbolic links.
        built = (build_dir / "Lumetra" / LIBRARY).resolve(strict=True)
        target = Path(self.build_lib) / "lumetra" / LIBRARY
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)
        os.chmod(target, 0o755)


class BinaryDistribution(Distribution):
    """The package carries a native library: never a pure-Python install."""

    def has_ext_modules(self):
        return True


class PlatformWheel(bdist_wheel):
    """Tagged for this platform (the library), for any Python 3 (ctypes, no extension API)."""

    def finalize_options(self):
        super().finalize_options()
        self.root_is_pure = False

    def get_tag(self):
        _, _, platform = super().get_tag()
        return "py3", "none", platform


# setuptools' own work files beside the engine's build, out of the sources and of build/.
WORK = ROOT / "build-python"
WORK.mkdir(exist_ok=True)

setup(
    version=engine_version(),
    options={"build": {"build_base": str(WORK / "setuptools")},
             "egg_info": {"egg_base": str(WORK)}},
    distclass=BinaryDistribution,
    cmdclass={"build_py": BuildWithEngine, "bdist_wheel": PlatformWheel},
)
