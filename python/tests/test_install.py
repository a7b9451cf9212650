"""The module installed two ways, and used from there: CMake's python component (what the
python3-kana package holds), and pip over this source tree (pyproject.toml, setup.py)."""

from __future__ import annotations

import os
import shutil
import subprocess
import sys

import pytest

BUILD = os.environ.get("KANA_BUILD_DIR", "")
SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# Run in a fresh interpreter from elsewhere: the installed copy, not the build's.
USE = """
import os, sys, kana, kana.dask
assert kana.__file__.startswith(sys.argv[1]), kana.__file__
folder = os.path.dirname(kana.__file__)
print(sorted(f for f in os.listdir(folder) if not f.startswith("__pycache__")))
print(kana.convert("ｶﾞｰﾙ", kata="2byte"), kana.z2h("ＡＢＣ"), kana.__version__)
"""


def use(prefix, python=sys.executable, path=None):
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    if path:
        env["PYTHONPATH"] = path
    run = subprocess.run([python, "-c", USE, prefix], cwd="/", env=env, text=True,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    assert run.returncode == 0, run.stderr
    return run.stdout.splitlines()


def expected_lines(version):
    return [repr(["__init__.py", "__init__.pyi", "_errors.py", "_kana" + ext_suffix(), "dask.py",
                  "py.typed"]), f"ガール ABC {version}"]


def ext_suffix():
    import sysconfig

    return sysconfig.get_config_var("EXT_SUFFIX")


def project_version():
    import re

    with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(kana VERSION ([0-9.]+)", f.read())[1]


@pytest.fixture
def build():
    if not BUILD:
        pytest.skip("KANA_BUILD_DIR is not set (ctest sets it to the build folder)")
    return BUILD


def test_the_python_component_installs_a_self_contained_package(build, tmp_path):
    prefix = tmp_path / "usr"
    subprocess.run(["cmake", "--install", build, "--component", "python", "--prefix", str(prefix)],
                   check=True, stdout=subprocess.DEVNULL)
    site = prefix / "lib" / "python3" / "dist-packages"
    # The package's own files, beside the documents its Debian package carries.
    installed = sorted(str(p.relative_to(prefix)) for p in prefix.rglob("*")
                       if p.is_file() and not p.relative_to(prefix).parts[:2] == ("share", "doc"))
    assert installed == sorted(f"lib/python3/dist-packages/kana/{name}" for name in (
        "__init__.py", "__init__.pyi", "_errors.py", "_kana" + ext_suffix(), "dask.py", "py.typed"))
    assert use(str(site), path=str(site)) == expected_lines(project_version())
    # It needs no libkana.so, nor any library that is not the system's.
    libraries = subprocess.run(["ldd", str(site / "kana" / ("_kana" + ext_suffix()))],
                               check=True, stdout=subprocess.PIPE, text=True).stdout
    assert "kana" not in libraries.replace(ext_suffix(), "")


def test_pip_installs_it_offline_into_a_virtual_environment(build, tmp_path):
    # A copy of the source tree, so that pip's scratch folders stay out of this one; the
    # extension is built in this build folder (KANA_BUILD_DIR), where it is already built.
    source = tmp_path / "source"
    shutil.copytree(SOURCE, source, ignore=shutil.ignore_patterns("build", ".git", "*.egg-info"))
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)], check=True)
    python = str(venv / "bin" / "python")
    subprocess.run([python, "-m", "pip", "install", "--no-build-isolation", "--no-index",
                    "--quiet", str(source)], check=True, env={**os.environ, "KANA_BUILD_DIR": build})
    assert use(str(venv), python=python) == expected_lines(project_version())
