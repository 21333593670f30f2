"""The package's version: the project's, as the top CMakeLists.txt's project(VERSION) gives it.

An installed package holds it in ``_build_version.py``, which its build writes (setup.py for
pip, CMake for the Debian package); a package used from the source tree reads it from the
tree's CMakeLists.txt. Nothing but the standard library is used here: setup.py runs this file
on its own to learn the version.
"""

from __future__ import annotations

import re
from pathlib import Path

_PROJECT = re.compile(r"^\s*project\s*\(\s*KARVO7\s+VERSION\s+([0-9][0-9.]*)", re.MULTILINE)


def project_version(top: Path) -> str:
    """The version of the project() command in ``top``/CMakeLists.txt; "0+unknown" without
    one."""
    try:
        found = _PROJECT.search((top / "CMakeLists.txt").read_text(encoding="utf-8"))
    except OSError:
        return "0+unknown"
    return found.group(1) if found else "0+unknown"


try:
    from ._build_version import VERSION as __version__  # type: ignore[import]
except ImportError:
    __version__ = project_version(Path(__file__).resolve().parents[2])
