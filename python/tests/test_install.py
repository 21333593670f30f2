"""The package installs as Python packages do: pip puts it into a virtual environment, where it
is imported from outside the source tree and reports the project's version."""

from __future__ import annotations

import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]


def test_pip_installs_the_package_with_the_projects_version(tmp_path):
    version = os.environ.get("K7_PROJECT_VERSION")
    if not version:
        pytest.skip("K7_PROJECT_VERSION names the project's version (set by the build)")
    # pip builds in the folder it is given and leaves its build files there: it gets a copy of
    # the tree's Python part, beside the top CMakeLists.txt that carries the version.
    tree = tmp_path / "tree"
    shutil.copytree(ROOT / "python", tree / "python", ignore=shutil.ignore_patterns(
        "__pycache__", "build", "*.egg-info", "tests", "examples"))
    shutil.copy(ROOT / "CMakeLists.txt", tree)
    environment = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", "--without-pip",
                    str(venv)], check=True)
    python = str(venv / "bin" / "python")
    subprocess.run([python, "-m", "pip", "install", "--quiet", "--no-deps", "--no-index",
                    "--no-cache-dir", "--no-build-isolation", str(tree / "python")],
                   check=True, env=environment, cwd=tmp_path)
    shutil.rmtree(tree)  # nothing of the copy is needed any more
    shown = subprocess.run(
        [python, "-c", "import importlib.metadata, karvo7; "
         "print(importlib.metadata.version('karvo7'), karvo7.__version__, karvo7.__file__)"],
        check=True, env=environment, cwd=tmp_path, capture_output=True, text=True).stdout.split()
    assert shown[:2] == [version, version]
    assert Path(shown[2]).is_relative_to(venv)
