"""The methods and their settings, read from the engine once at import."""

import ctypes
import types
from dataclasses import dataclass

from . import _abi

# Settings every method takes (frequency points, negative frequencies), by job line.
_COMMON_LINES = (9, 8)
# Settings that have a default when not given (nfft's depends on the record: see estimate).
DEFAULTS = {8: False, 19: "Rectangular"}


@dataclass(frozen=True, eq=False)
class Method:
    """One estimator as the engine describes it.

    ``params`` are the keywords the method takes, ``required`` those without a default, and
    ``ranges`` the engine's accepted range of each keyword (text, or None when it has none).
    """

    number: int
    short_name: str
    engine_name: str
    form_name: str
    params: tuple
    required: tuple
    ranges: types.MappingProxyType
    real_only: bool
    parametric: bool


def _field_names():
    names = {}
    for line in _abi.LINE_TO_PARAM:
        name = _abi.text(_abi.lib.specest_field_name(line))
        if not name:
            raise ImportError(f"lumetra: the engine names no setting for job line {line}")
        names[line] = name
    return names


FIELD_NAMES = _field_names()  # job line -> keyword
KEYWORD_LINES = {name: line for line, name in FIELD_NAMES.items()}


def _read_methods():
    methods = {}
    number = 1
    while True:
        info = _abi.MethodInfo()
        info.size = ctypes.sizeof(_abi.MethodInfo)
        if _abi.lib.specest_method(number, ctypes.byref(info)) != _abi.SUCCESS:
            break
        # Settings outside lines 8..19 (data file, data type, ...) come from the arguments.
        lines = [ln for ln in sorted(FIELD_NAMES) if info.settings & (1 << (ln - 1))]
        lines = list(_COMMON_LINES) + [ln for ln in lines if ln not in _COMMON_LINES]
        params = tuple(FIELD_NAMES[ln] for ln in lines)
        required = tuple(
            FIELD_NAMES[ln] for ln in lines if ln not in _COMMON_LINES and ln not in DEFAULTS
        )
        ranges = {FIELD_NAMES[ln]: _abi.text(_abi.lib.specest_field_range(ln)) or None for ln in lines}
        m = Method(
            number=info.number,
            short_name=_abi.text(info.short_name),
            engine_name=_abi.text(info.engine_name).strip(),
            form_name=_abi.text(info.form_name).strip(),
            params=params,
            required=required,
            ranges=types.MappingProxyType(ranges),
            real_only=bool(info.real_only),
            parametric=bool(info.parametric),
        )
        methods[m.short_name] = m
        number += 1
    if not methods:
        raise ImportError("lumetra: the engine lists no methods")
    return methods


METHODS = types.MappingProxyType(_read_methods())

# Every spelling the program uses, compared without letter case.
_BY_NAME = {}
for _m in METHODS.values():
    for _name in (_m.short_name, _m.engine_name, _m.form_name):
        _BY_NAME[_name.casefold()] = _m


def lookup(name):
    """The Method for any of its names, letter case ignored; ValueError otherwise."""
    if isinstance(name, Method):
        return name
    if not isinstance(name, str):
        raise ValueError(f"method must be a name (str), got {type(name).__name__}")
    m = _BY_NAME.get(name.strip().casefold())
    if m is None:
        raise ValueError(f"unknown method {name!r}; methods: {', '.join(METHODS)}")
    return m


_BY_NUMBER = {m.number: m for m in METHODS.values()}


def by_number(number):
    """The Method the engine numbers `number`, or None."""
    return _BY_NUMBER.get(number)
