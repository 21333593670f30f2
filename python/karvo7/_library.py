"""Finding and loading the shared libraries the package binds.

A library is looked for in the folder named by ``KARVO7_LIBRARY_PATH`` first (a build's
``bin`` folder, say), then where the dynamic linker finds installed libraries.
"""

from __future__ import annotations

import ctypes
import os
import threading
from typing import Dict

from .errors import Error

CARD_LIBRARY = "libKARVO7DLL.so.1"
STREAM_LIBRARY = "libKARVO7Stream.so.1"
ACQUIRE_LIBRARY = "libKARVO7Acquire.so.1"
OPS_LIBRARY = "libKARVO7Ops.so.1"

_loaded: Dict[str, ctypes.CDLL] = {}
_lock = threading.Lock()


class LibraryNotFoundError(Error, OSError):
    """A shared library the package needs could not be loaded (also an OSError)."""

    def __init__(self, text: str) -> None:
        self.meaning = text
        OSError.__init__(self, text)


def _candidates(name: str) -> list[str]:
    paths = []
    folder = os.environ.get("KARVO7_LIBRARY_PATH", "")
    for entry in folder.split(os.pathsep):
        if entry:
            paths.append(os.path.join(entry, name))
    paths.append(name)
    return paths


def load(name: str) -> ctypes.CDLL:
    """The library ``name`` (loaded once per process); LibraryNotFoundError names what is
    missing and where it was looked for."""
    with _lock:
        if name in _loaded:
            return _loaded[name]
        reasons = []
        for path in _candidates(name):
            if os.sep in path and not os.path.exists(path):
                reasons.append(f"{path}: no such file")
                continue
            try:
                library = ctypes.CDLL(path)
            except OSError as failure:
                reasons.append(str(failure))
                continue
            _loaded[name] = library
            return library
        raise LibraryNotFoundError(
            f"karvo7: cannot load {name} (set KARVO7_LIBRARY_PATH to the folder that holds it, "
            f"or install the library): " + "; ".join(reasons)
        )
