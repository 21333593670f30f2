"""The card library's diagnostic lines, routed to :mod:`logging`.

The library says in a line when a card opens or closes and when that fails ("Ja gut OK
installiert !!", "Das war wohl nix !!", ...). By default it writes them to standard output; the
package installs the library's log the first time it opens a card, so that they reach the logger
``"karvo7"`` instead: INFO for a card opened or closed, WARNING for one that did not open, ERROR
for a device that did not close. A program sees them as it configures ``logging``.
"""

from __future__ import annotations

import atexit
import ctypes
import logging
import threading

from . import _library

logger = logging.getLogger("karvo7")

# The library's levels (K7_LOG_... of KARVO7Os.h) and what logging calls them.
_NONE, _ERROR, _WARNING, _INFO = 0, 1, 2, 3
_LEVELS = {_ERROR: logging.ERROR, _WARNING: logging.WARNING, _INFO: logging.INFO}

_LINE = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_uint32, ctypes.c_char_p)


class _Log(ctypes.Structure):
    _fields_ = [("context", ctypes.c_void_p), ("line", _LINE), ("level", ctypes.c_uint32)]


def _line(_context: object, level: int, text: bytes) -> None:
    logger.log(_LEVELS.get(level, logging.INFO), text.decode("utf-8", "replace"))


# Kept for as long as the library may call it.
_callback = _LINE(_line)
_lock = threading.Lock()
_installed = False


def _set_log(log: _Log) -> None:
    library = _library.load(_library.CARD_LIBRARY)
    library.K7OsSetLog.restype = None
    library.K7OsSetLog.argtypes = [ctypes.POINTER(_Log)]
    library.K7OsSetLog(ctypes.byref(log))


def _silence() -> None:
    # Cards closed while the interpreter ends must not call into a Python that is going away.
    _set_log(_Log(None, _LINE(0), _NONE))  # no callback


def route_to_logging() -> None:
    """Installs the library's log that hands every line to the logger "karvo7" (once)."""
    global _installed
    with _lock:
        if _installed:
            return
        _set_log(_Log(None, _callback, _INFO))
        atexit.register(_silence)
        _installed = True
