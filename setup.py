"""Builds the extension kana._kana with the project's own CMake build, then packs it with
the pure-Python files of python/kana. The metadata is in pyproject.toml.

KANA_BUILD_DIR names an existing CMake build folder of this tree to build the extension
in (its configuration decides the interpreter); otherwise a fresh Release build is made
under setuptools' build_temp, for the interpreter that runs this. CMAKE_BUILD_PARALLEL_LEVEL
sets the number of compile jobs (2 when unset).
"""

import glob
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(kana VERSION ([0-9.]+)", f.read()).group(1)


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.environ.get("KANA_BUILD_DIR")
        if build:
            build = os.path.abspath(build)
        else:
            build = os.path.join(os.path.abspath(self.build_temp), "cmake")
            configure = [
                "cmake", "-S", ROOT, "-B", build,
                "-DCMAKE_BUILD_TYPE=Release",
                "-DKANA_BUILD_TESTS=OFF",
                "-DKANA_BUILD_BENCH=OFF",
                f"-DPython_EXECUTABLE={sys.executable}",
            ]
            if shutil.which("ninja"):
                configure += ["-G", "Ninja"]
            try:
                import pybind11

                configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
            except ImportError:
                pass  # CMake looks for pybind11 where the system keeps it
            subprocess.check_call(configure)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.check_call(["cmake", "--build", build, "--target", "_kana", "--parallel", jobs])
        built = glob.glob(os.path.join(build, "python", "kana", "_kana*.so"))
        if len(built) != 1:
            raise RuntimeError(f"the build left {len(built)} modules _kana in {build}/python/kana")
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built[0], target)


setup(
    version=project_version(),
    ext_modules=[CMakeExtension("kana._kana")],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
