"""Where the package looks for its libraries, on Windows and on Linux.

No Windows interpreter runs here: the Windows lookup is driven on Linux with folders of fake
DLLs, a loader that records what it was asked to load, and a fake registry.
"""

from __future__ import annotations

import contextlib
import os
import sys
import types
from pathlib import Path

import pytest

import karvo7
from karvo7 import _library


class _Loader:
    """Stands in for ctypes.CDLL: records each path with the DLL search folders at that moment,
    refuses those in ``broken``."""

    def __init__(self, search: list[str]) -> None:
        self.search = search
        self.tried: list[str] = []
        self.searched: list[list[str]] = []
        self.broken: set[str] = set()

    def __call__(self, path: str) -> str:
        self.tried.append(path)
        self.searched.append(list(self.search))
        if path in self.broken:
            raise OSError(f"{path}: not a valid Win32 application")
        return f"loaded {path}"


class _DllSearch:
    """Stands in for os.add_dll_directory: the folders currently in the search path."""

    def __init__(self) -> None:
        self.folders: list[str] = []

    def __call__(self, folder: str) -> types.SimpleNamespace:
        self.folders.append(folder)
        return types.SimpleNamespace(close=lambda: self.folders.remove(folder))


@pytest.fixture
def windows(monkeypatch, tmp_path):
    """A Windows process on Linux: package folder, two KARVO7_LIBRARY_PATH folders, an
    installation the registry names and the default one below %ProgramFiles%."""
    folders = {
        "package": tmp_path / "site-packages" / "karvo7",
        "path1": tmp_path / "path1",
        "path2": tmp_path / "path2",
        "registered": tmp_path / "registered" / "bin",
        "default": tmp_path / "Program Files" / "KARVO7" / "bin",
    }
    for folder in folders.values():
        folder.mkdir(parents=True)
    monkeypatch.setattr(_library, "_WINDOWS", True)
    monkeypatch.setattr(_library, "_PACKAGE_FOLDER", str(folders["package"]))
    monkeypatch.setattr(_library, "_loaded", {})
    monkeypatch.setattr(_library, "_dll_folders", {})
    monkeypatch.setattr(
        _library, "_registered_installations", lambda: [str(tmp_path / "registered")]
    )
    monkeypatch.setenv(
        "KARVO7_LIBRARY_PATH", os.pathsep.join([str(folders["path1"]), str(folders["path2"])])
    )
    monkeypatch.setenv("ProgramFiles", str(tmp_path / "Program Files"))
    search = _DllSearch()
    loader = _Loader(search.folders)
    monkeypatch.setattr(_library.ctypes, "CDLL", loader)
    monkeypatch.setattr(os, "add_dll_directory", search, raising=False)
    return types.SimpleNamespace(folders=folders, loader=loader, search=search)


def _put(folder: Path, name: str = "KARVO7DLL.dll") -> str:
    (folder / name).write_bytes(b"MZ")
    return str(folder / name)


def test_each_windows_folder_is_taken_only_when_every_one_before_it_lacks_the_dll(windows):
    order = ["package", "path1", "path2", "registered", "default"]
    paths = [_put(windows.folders[key]) for key in order]
    for taken, path in enumerate(paths):
        _library._loaded.clear()
        assert _library.load("KARVO7DLL.dll") == f"loaded {path}", order[taken]
        os.remove(path)
    _library._loaded.clear()
    assert _library.load("KARVO7DLL.dll") == "loaded KARVO7DLL.dll"  # Windows' own search


def test_a_dlls_folder_joins_the_dll_search_before_it_loads_and_a_broken_one_leaves_it(windows):
    package = _put(windows.folders["package"], "KARVO7Stream.dll")
    path1 = _put(windows.folders["path1"], "KARVO7Stream.dll")
    windows.loader.broken.add(package)
    assert _library.load("KARVO7Stream.dll") == f"loaded {path1}"
    assert windows.loader.tried == [package, path1]
    assert windows.loader.searched == [
        [str(windows.folders["package"])],
        [str(windows.folders["path1"])],
    ]
    assert windows.search.folders == [str(windows.folders["path1"])]
    # A second library from the same folder adds it no second time.
    _put(windows.folders["path1"], "KARVO7Ops.dll")
    _library.load("KARVO7Ops.dll")
    assert windows.search.folders == [str(windows.folders["path1"])]


def test_a_dll_found_nowhere_names_every_folder_in_order(windows):
    windows.loader.broken.add("KARVO7Acquire.dll")
    with pytest.raises(karvo7.LibraryNotFoundError) as missing:
        _library.load("KARVO7Acquire.dll")
    text = str(missing.value)
    places = [str(windows.folders[key] / "KARVO7Acquire.dll") for key in
              ["package", "path1", "path2", "registered", "default"]]
    positions = [text.index(f"{place}: no such file") for place in places]
    assert positions == sorted(positions)
    assert windows.search.folders == []


def test_the_installation_comes_from_the_installers_registry_entries(monkeypatch):
    """Machine-wide entries come before the user's, the 64-bit view before the 32-bit one."""
    read, view32, view64 = 0x20019, 0x200, 0x100
    entries = {
        ("HKLM", view32): ("C:\\Old\\KARVO7", 1),
        ("HKLM", view64): ("C:\\Machine\\KARVO7", 1),
        ("HKCU", view64): ("%LOCALAPPDATA%\\KARVO7", 2),
        ("HKCU", view32): ("C:\\Machine\\KARVO7", 1),
    }
    opened = []

    def open_key(root: str, key: str, reserved: int, access: int) -> contextlib.nullcontext:
        opened.append((root, key, access))
        entry = entries.get((root, access & ~read))
        if entry is None:
            raise FileNotFoundError(key)
        return contextlib.nullcontext(entry)

    winreg = types.SimpleNamespace(
        HKEY_LOCAL_MACHINE="HKLM", HKEY_CURRENT_USER="HKCU", KEY_READ=read,
        KEY_WOW64_32KEY=view32, KEY_WOW64_64KEY=view64, REG_SZ=1, REG_EXPAND_SZ=2,
        OpenKey=open_key, QueryValueEx=lambda entry, name: entry if name == "" else None,
        ExpandEnvironmentStrings=lambda text: text.replace(
            "%LOCALAPPDATA%", "C:\\Users\\pruef\\AppData\\Local"
        ),
    )
    monkeypatch.setitem(sys.modules, "winreg", winreg)
    assert _library._registered_installations() == [
        "C:\\Machine\\KARVO7",
        "C:\\Old\\KARVO7",
        "C:\\Users\\pruef\\AppData\\Local\\KARVO7",
    ]
    assert opened == [
        (root, "Software\\KARVO7\\KARVO7", read | view)
        for root in ("HKLM", "HKCU") for view in (view64, view32)
    ]


def test_linux_looks_in_karvo7_library_path_then_the_dynamic_linker_never_beside_the_package(
    monkeypatch, tmp_path
):
    package = tmp_path / "karvo7"
    folder = tmp_path / "lib"
    package.mkdir()
    folder.mkdir()
    _put(package, "libKARVO7DLL.so.1")
    monkeypatch.setattr(_library, "_WINDOWS", False)
    monkeypatch.setattr(_library, "_PACKAGE_FOLDER", str(package))
    monkeypatch.setattr(_library, "_loaded", {})
    monkeypatch.setenv("KARVO7_LIBRARY_PATH", str(folder))
    loader = _Loader([])
    monkeypatch.setattr(_library.ctypes, "CDLL", loader)
    assert _library.load("libKARVO7DLL.so.1") == "loaded libKARVO7DLL.so.1"
    assert loader.tried == ["libKARVO7DLL.so.1"]
    path = _put(folder, "libKARVO7DLL.so.1")
    _library._loaded.clear()
    assert _library.load("libKARVO7DLL.so.1") == f"loaded {path}"
