"""The card operations of the check program through libKARVO7Ops: self tests, loading a DSP
program, the reset with its warm-up and the station checks of "Check All", with the check
program's verdicts and lines."""

from __future__ import annotations

import functools
import os
import stat
from ctypes import byref, c_uint32, create_string_buffer
from dataclasses import dataclass
from typing import Any, Callable, List, Optional, Sequence, Tuple, Union

from . import _cdefs
from .errors import RefusedValue, check_index, failure


@functools.lru_cache(maxsize=None)
def check_words() -> Tuple[str, ...]:
    """The station checks in the order of "Check All", by their names on karvo7's command line,
    as the card operations name them (``karvo7.CHECKS``)."""
    library = _cdefs.ops_library()
    words: List[str] = []
    word = create_string_buffer(64)
    while library.K7OpsCheckWord(len(words), word, len(word)) > 0:
        words.append(word.value.decode())
    return tuple(words)


def __getattr__(name: str) -> Any:
    if name == "CHECKS":
        return check_words()
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")

SELF_TEST_DAC = 9

# Answers "do the DAC ramps look right?" (caption, text) with True for yes.
Question = Callable[[str, str], bool]


@dataclass(frozen=True)
class Verdict:
    """One check's or self test's outcome: passed or not, and the check program's line."""

    item: int
    name: str
    passed: bool
    text: str

    def __bool__(self) -> bool:
        return self.passed


def _verdict(raw: _cdefs.OpsVerdict) -> Verdict:
    return Verdict(int(raw.item), raw.name.decode("utf-8", "replace"), bool(raw.passed),
                   raw.text.decode("utf-8", "replace"))


def _callback(question: Optional[Question]) -> Any:
    if question is None:
        return _cdefs.OpsQuestion()  # type: ignore[call-overload]  # the null pointer
    asked = question
    return _cdefs.OpsQuestion(
        lambda _context, caption, text: 1 if asked(caption.decode(), text.decode()) else 0)


def _check_number(check: Union[int, str]) -> int:
    names = check_words()
    if isinstance(check, str):
        if check not in names:
            raise RefusedValue(f"no check {check!r} (checks: {', '.join(names)})")
        return names.index(check)
    number = check_index("check", check)
    if not 0 <= number < len(names):
        raise RefusedValue(f"no check {check} (checks 0 to {len(names) - 1})")
    return number


def self_test(handle: int, test: int, question: Optional[Question] = None) -> Verdict:
    test = check_index("self test", test)
    if not 0 <= test < _cdefs.OPS_SELF_TEST_COUNT:
        raise RefusedValue(f"no self test {test} (tests 0 to {_cdefs.OPS_SELF_TEST_COUNT - 1})")
    raw, error = _cdefs.OpsVerdict(), c_uint32(0)
    if _cdefs.ops_library().K7OpsSelfTest(handle, test, _callback(question), None, byref(raw),
                                          byref(error)) == 0:
        raise failure("K7OpsSelfTest", error.value)
    return _verdict(raw)


def load_dsp(handle: int, path: Union[str, os.PathLike]) -> Verdict:
    raw, error = _cdefs.OpsVerdict(), c_uint32(0)
    if _cdefs.ops_library().K7OpsLoadDsp(handle, os.fsencode(path), byref(raw),
                                         byref(error)) == 0:
        raise failure("K7OpsLoadDsp", error.value, _verdict(raw).text)
    return _verdict(raw)


def reset(handle: int) -> Verdict:
    raw, error = _cdefs.OpsVerdict(), c_uint32(0)
    if _cdefs.ops_library().K7OpsResetCard(handle, byref(raw), byref(error)) == 0:
        raise failure("K7OpsResetCard", error.value, _verdict(raw).text)
    return _verdict(raw)


def _readable_parameter_file(ini: Union[str, os.PathLike]) -> bytes:
    """The parameter file's name for the checks; a file that cannot be read (missing, no
    permission, a folder, a FIFO or a device) is refused by its name before any check runs,
    rather than failing every check for want of its reference values."""
    name = os.fsencode(ini)
    shown = os.fsdecode(name)
    try:
        fd = os.open(name, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    except OSError as error:
        raise RefusedValue(f"parameter file {shown}: cannot be read ({error.strerror})") \
            from None
    try:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            raise RefusedValue(f"parameter file {shown}: not a regular file")
    finally:
        os.close(fd)
    return name


def check(handle: int, checks: Sequence[Union[int, str]], ini: Union[str, os.PathLike, None],
          question: Optional[Question] = None) -> List[Verdict]:
    library = _cdefs.ops_library()
    parameter_file = _readable_parameter_file(ini) if ini is not None else b""
    callback = _callback(question)
    error = c_uint32(0)
    if not checks:
        capacity = len(check_words())
        verdicts = (_cdefs.OpsVerdict * capacity)()
        count = c_uint32(0)
        if library.K7OpsCheckAll(handle, parameter_file, callback, None, verdicts, capacity,
                                 byref(count), byref(error)) == 0:
            raise failure("K7OpsCheckAll", error.value)
        return [_verdict(verdicts[i]) for i in range(count.value)]
    numbers = [_check_number(c) for c in checks]
    results = []
    for number in numbers:
        raw = _cdefs.OpsVerdict()
        if library.K7OpsCheck(handle, number, parameter_file, callback, None, byref(raw),
                              byref(error)) == 0:
            raise failure("K7OpsCheck", error.value)
        results.append(_verdict(raw))
    return results
