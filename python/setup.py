"""The package's build: its version is the project's (the top CMakeLists.txt's project(VERSION)),
written into the built package as karvo7/_build_version.py."""

import os
import runpy

from setuptools import setup
from setuptools.command.build_py import build_py

HERE = os.path.dirname(os.path.abspath(__file__))
VERSION = runpy.run_path(os.path.join(HERE, "karvo7", "_version.py"))["__version__"]


class BuildWithVersion(build_py):
    """Builds the package with the version it was built as."""

    def run(self) -> None:
        super().run()
        if not self.dry_run:
            target = os.path.join(self.build_lib, "karvo7", "_build_version.py")
            with open(target, "w", encoding="utf-8") as out:
                out.write(f'VERSION = "{VERSION}"\n')


setup(version=VERSION, cmdclass={"build_py": BuildWithVersion})
