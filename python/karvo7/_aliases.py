"""Second names of fields: the German names of the parameter file and the card's records, kept
beside the English ones as documented aliases, so that code written with either name works."""

from __future__ import annotations

import functools
from typing import Any, Callable, Dict, Generic, Optional, TypeVar, overload

from .errors import WrongType

T = TypeVar("T")
C = TypeVar("C", bound=type)


class Alias(Generic[T]):
    """A class attribute that reads and writes the field ``field`` under a second name."""

    def __init__(self, field: str) -> None:
        self.field = field

    @overload
    def __get__(self, instance: None, owner: Optional[type] = None) -> "Alias[T]": ...

    @overload
    def __get__(self, instance: object, owner: Optional[type] = None) -> T: ...

    def __get__(self, instance: Optional[object], owner: Optional[type] = None) -> Any:
        if instance is None:
            return self
        return getattr(instance, self.field)

    def __set__(self, instance: object, value: T) -> None:
        setattr(instance, self.field, value)


def aliases_of(cls: type) -> Dict[str, str]:
    """The second names of ``cls`` and the fields they name."""
    return {name: value.field for klass in reversed(cls.__mro__)
            for name, value in vars(klass).items() if isinstance(value, Alias)}


def with_aliases(cls: C) -> C:
    """Lets the dataclass ``cls`` be made with the second names of its fields as keywords.

    Raises (when an instance is made):
        WrongType: a field given under both its names.
    """
    made: Callable[..., None] = cls.__init__  # type: ignore[misc]
    names = aliases_of(cls)

    @functools.wraps(made)
    def __init__(self: Any, *arguments: Any, **keywords: Any) -> None:
        for alias, field in names.items():
            if alias in keywords:
                if field in keywords:
                    raise WrongType(f"{alias} and {field} name the same field: give one")
                keywords[field] = keywords.pop(alias)
        made(self, *arguments, **keywords)

    setattr(cls, "__init__", __init__)
    return cls

