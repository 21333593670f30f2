"""Finding and loading the shared libraries the package binds.

On Linux a library is looked for in the folders named by ``KARVO7_LIBRARY_PATH`` first (a
build's ``bin`` folder, say), then where the dynamic linker finds installed libraries.

On Windows a DLL is looked for beside the package's own modules first (a package that carries
its DLLs), then in the folders of ``KARVO7_LIBRARY_PATH``, then in the ``bin`` folder of the
installation (where the installer recorded it in the registry, else
``%ProgramFiles%\\KARVO7``), last where Windows itself finds DLLs. The folder a DLL is taken
from joins the process's DLL search path (``os.add_dll_directory``), so that the DLLs it loads
in turn (the card library, the simulated cards' module) are found beside it.
"""

from __future__ import annotations

import ctypes
import importlib
import os
import sys
import threading
from typing import Dict, List, Optional

from .errors import Error

_WINDOWS = sys.platform == "win32"

if _WINDOWS:
    CARD_LIBRARY = "KARVO7DLL.dll"
    STREAM_LIBRARY = "KARVO7Stream.dll"
    ACQUIRE_LIBRARY = "KARVO7Acquire.dll"
    OPS_LIBRARY = "KARVO7Ops.dll"
else:
    CARD_LIBRARY = "libKARVO7DLL.so.1"
    STREAM_LIBRARY = "libKARVO7Stream.so.1"
    ACQUIRE_LIBRARY = "libKARVO7Acquire.so.1"
    OPS_LIBRARY = "libKARVO7Ops.so.1"

# The package's own folder: DLLs shipped inside the package lie here.
_PACKAGE_FOLDER = os.path.dirname(os.path.abspath(__file__))
# The key under which the Windows installer records its folder (vendor and installation key
# of the installer package), for all users or for the user alone.
INSTALL_REGISTRY_KEY = "Software\\KARVO7\\KARVO7"
# The installer's default folder below %ProgramFiles%.
INSTALL_FOLDER = "KARVO7"

_loaded: Dict[str, ctypes.CDLL] = {}
# The folders added to the DLL search path, with the handles that would remove them again.
_dll_folders: Dict[str, object] = {}
_lock = threading.Lock()


class LibraryNotFoundError(Error, OSError):
    """A shared library the package needs could not be loaded (also an OSError)."""

    def __init__(self, text: str) -> None:
        self.meaning = text
        OSError.__init__(self, text)


def _path_folders() -> List[str]:
    folder = os.environ.get("KARVO7_LIBRARY_PATH", "")
    return [entry for entry in folder.split(os.pathsep) if entry]


def _registered_installations() -> List[str]:
    """The folders the installer recorded: for all users, then for the user; in the registry's
    64-bit view (the installer is a 64-bit program), then in the 32-bit view."""
    try:
        winreg = importlib.import_module("winreg")
    except ImportError:
        return []
    found: List[str] = []
    for root in (winreg.HKEY_LOCAL_MACHINE, winreg.HKEY_CURRENT_USER):
        for view in (winreg.KEY_WOW64_64KEY, winreg.KEY_WOW64_32KEY):
            try:
                with winreg.OpenKey(root, INSTALL_REGISTRY_KEY, 0, winreg.KEY_READ | view) as key:
                    value, kind = winreg.QueryValueEx(key, "")
            except OSError:
                continue
            if kind == winreg.REG_EXPAND_SZ:
                value = winreg.ExpandEnvironmentStrings(value)
            if kind in (winreg.REG_SZ, winreg.REG_EXPAND_SZ) and value and value not in found:
                found.append(value)
    return found


def _installed_folders() -> List[str]:
    folders = [os.path.join(folder, "bin") for folder in _registered_installations()]
    program_files = os.environ.get("ProgramFiles", "")
    if program_files:
        default = os.path.join(program_files, INSTALL_FOLDER, "bin")
        if default not in folders:
            folders.append(default)
    return folders


def _candidate_folders() -> List[Optional[str]]:
    """The folders a library is looked for in, in order; None stands for the system's own
    search."""
    folders: List[Optional[str]] = []
    if _WINDOWS:
        folders.append(_PACKAGE_FOLDER)
    folders.extend(_path_folders())
    if _WINDOWS:
        folders.extend(_installed_folders())
    folders.append(None)
    return folders


def _join_dll_search(folder: str) -> Optional[object]:
    """Adds ``folder`` to the DLL search path on Windows; the handle, if it was added now."""
    if not _WINDOWS or folder in _dll_folders:
        return None
    handle = getattr(os, "add_dll_directory")(folder)
    _dll_folders[folder] = handle
    return handle


def _leave_dll_search(folder: str, handle: Optional[object]) -> None:
    if handle is not None:
        del _dll_folders[folder]
        getattr(handle, "close")()


def _load_file(folder: Optional[str], path: str) -> ctypes.CDLL:
    """Loads ``path``, with its folder in the DLL search path while it loads and after."""
    handle = _join_dll_search(folder) if folder is not None else None
    try:
        return ctypes.CDLL(path)
    except OSError:
        if folder is not None:
            _leave_dll_search(folder, handle)
        raise


def load(name: str) -> ctypes.CDLL:
    """The library ``name`` (loaded once per process); LibraryNotFoundError names what is
    missing and where it was looked for."""
    with _lock:
        if name in _loaded:
            return _loaded[name]
        reasons = []
        for folder in _candidate_folders():
            path = name if folder is None else os.path.join(folder, name)
            if folder is not None and not os.path.exists(path):
                reasons.append(f"{path}: no such file")
                continue
            try:
                library = _load_file(folder, path)
            except OSError as failure:
                reasons.append(str(failure))
                continue
            _loaded[name] = library
            return library
        raise LibraryNotFoundError(
            f"karvo7: cannot load {name} (set KARVO7_LIBRARY_PATH to the folder that holds it, "
            f"or install the library): " + "; ".join(reasons)
        )
