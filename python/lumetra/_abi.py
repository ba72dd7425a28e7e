"""ctypes mirror of include/specest/specest.h and the loading of libspecest.

The structures list their fields in declaration order with the header's types; every call
fills ``size`` with ctypes.sizeof and starts from specest_params_init/specest_output_init, so
the library can tell a caller built against another layout.
"""

import ctypes
import os
from ctypes import (
    CFUNCTYPE,
    POINTER,
    Structure,
    c_char,
    c_char_p,
    c_double,
    c_float,
    c_int32,
    c_uint32,
    c_void_p,
)

SUCCESS = 0
ESTIMATOR_FAILURE = 1
STOPPED = 2
INVALID_INPUT = 3
INVALID_ARGUMENT = -1

NO_PAUSE = 1
UNUSED = -999

# Job lines (1-based) and the fields of specest_params that carry them.
FIELD_COUNT = 21
LINE_TO_PARAM = {
    8: "twosided",
    9: "npoints",
    10: "npoles",
    11: "nzeros",
    12: "eps",
    13: "mode",
    14: "m_eqs",
    15: "l_pts",
    16: "m_lags",
    17: "nit",
    18: "per",
    19: "window",
}

MESSAGE_CAP = 2048


class Params(Structure):
    _fields_ = [
        ("size", c_uint32),
        ("method", c_int32),
        ("complex_data", c_int32),
        ("npoints", c_int32),
        ("twosided", c_int32),
        ("npoles", c_int32),
        ("nzeros", c_int32),
        ("eps", c_float),
        ("mode", c_int32),
        ("m_eqs", c_int32),
        ("l_pts", c_int32),
        ("m_lags", c_int32),
        ("nit", c_int32),
        ("per", c_float),
        ("window", c_char_p),
        ("dt", c_double),
        ("times", POINTER(c_float)),
        ("npts", c_int32),
        # version 1.2
        ("profile", c_int32),
        ("fs", c_double),
        ("times64", POINTER(c_double)),
        ("detrend", c_char_p),
        ("scaling", c_char_p),
        ("window_values", POINTER(c_double)),
        ("window_len", c_int32),
        ("peak_prominence_db", c_double),
    ]


PROFILE_CLASSIC = 0
PROFILE_MODERN = 2


# The text pointer is taken as an address: the report carries its own length.
ReportSink = CFUNCTYPE(None, c_void_p, c_int32, c_void_p)


class Output(Structure):
    _fields_ = [
        ("size", c_uint32),
        ("freqs", POINTER(c_float)),
        ("db", POINTER(c_float)),
        ("power", POINTER(c_float)),
        ("grid_cap", c_int32),
        ("n_freq", c_int32),
        ("a", POINTER(c_float)),
        ("b", POINTER(c_float)),
        ("reflection", POINTER(c_float)),
        ("coef_cap", c_int32),
        ("n_a", c_int32),
        ("n_b", c_int32),
        ("n_reflection", c_int32),
        ("peak_freqs", POINTER(c_float)),
        ("peak_db", POINTER(c_float)),
        ("peak_cap", c_int32),
        ("n_peaks", c_int32),
        ("sig2", c_float),
        ("zero_fill", c_float),
        ("npts", c_int32),
        ("t_start", c_float),
        ("t_final", c_float),
        ("iterations", c_int32),
        ("akaike_status", c_int32),
        ("message", POINTER(c_char)),
        ("message_cap", c_int32),
        ("report_sink", ReportSink),
        ("report_user", c_void_p),
        ("method", c_int32),
    ]


class Output64(Structure):
    _fields_ = [
        ("size", c_uint32),
        ("freqs", POINTER(c_double)),
        ("psd", POINTER(c_double)),
        ("db", POINTER(c_double)),
        ("grid_cap", c_int32),
        ("n_freq", c_int32),
        ("a", POINTER(c_double)),
        ("b", POINTER(c_double)),
        ("reflection", POINTER(c_double)),
        ("coef_cap", c_int32),
        ("n_a", c_int32),
        ("n_b", c_int32),
        ("n_reflection", c_int32),
        ("peaks", POINTER(c_double)),
        ("peak_cap", c_int32),
        ("n_peaks", c_int32),
        ("sig2", c_double),
        ("npts", c_int32),
        ("nfft", c_int32),
        ("onesided", c_int32),
        ("iterations", c_int32),
        ("akaike_status", c_int32),
        ("message", POINTER(c_char)),
        ("message_cap", c_int32),
        ("report_sink", ReportSink),
        ("report_user", c_void_p),
        ("method", c_int32),
    ]


class BatchOutput64(Structure):
    _fields_ = [
        ("size", c_uint32),
        ("freqs", POINTER(c_double)),
        ("psd", POINTER(c_double)),
        ("db", POINTER(c_double)),
        ("grid_cap", c_int32),
        ("n_freq", c_int32),
        ("a", POINTER(c_double)),
        ("b", POINTER(c_double)),
        ("reflection", POINTER(c_double)),
        ("coef_cap", c_int32),
        ("n_a", POINTER(c_int32)),
        ("n_b", POINTER(c_int32)),
        ("n_reflection", POINTER(c_int32)),
        ("peaks", POINTER(c_double)),
        ("peak_cap", c_int32),
        ("n_peaks", POINTER(c_int32)),
        ("sig2", POINTER(c_double)),
        ("npts", POINTER(c_int32)),
        ("iterations", POINTER(c_int32)),
        ("akaike_status", POINTER(c_int32)),
        ("zero_fill", POINTER(c_double)),
        ("t_start", POINTER(c_double)),
        ("t_final", POINTER(c_double)),
        ("status", POINTER(c_int32)),
        ("messages", POINTER(c_char)),
        ("message_cap", c_int32),
        ("nfft", c_int32),
        ("onesided", c_int32),
        ("failed", c_int32),
    ]


class CapacityInfo(Structure):
    _fields_ = [
        ("size", c_uint32),
        ("grid", c_int32),
        ("coef", c_int32),
        ("peaks", c_int32),
    ]


class MethodInfo(Structure):
    _fields_ = [
        ("size", c_uint32),
        ("number", c_int32),
        ("engine_name", c_char_p),
        ("form_name", c_char_p),
        ("short_name", c_char_p),
        ("settings", c_uint32),
        ("real_only", c_int32),
        ("parametric", c_int32),
    ]


LIBRARY_NAME = "libspecest.so"
SYSTEM_LIBRARY = "libspecest.so.1"

_PROTOTYPES = {
    "specest_version": (c_char_p, []),
    "specest_params_init": (None, [POINTER(Params)]),
    "specest_output_init": (None, [POINTER(Output)]),
    "specest_capacity": (c_int32, [POINTER(Params), POINTER(CapacityInfo), c_char_p, c_int32]),
    "specest_estimate": (c_int32, [POINTER(Params), c_void_p, c_int32, POINTER(Output)]),
    "specest_params_init64": (None, [POINTER(Params)]),
    "specest_output_init64": (None, [POINTER(Output64)]),
    "specest_capacity64": (
        c_int32,
        [POINTER(Params), c_int32, POINTER(CapacityInfo), c_char_p, c_int32],
    ),
    "specest_estimate64": (c_int32, [POINTER(Params), c_void_p, c_int32, POINTER(Output64)]),
    "specest_batch_output_init64": (None, [POINTER(BatchOutput64)]),
    "specest_estimate_batch64": (
        c_int32,
        [POINTER(Params), c_void_p, c_int32, c_int32, POINTER(BatchOutput64)],
    ),
    "specest_run_file": (c_int32, [c_char_p, c_char_p, c_int32, POINTER(Output)]),
    "specest_file_capacity": (c_int32, [c_char_p, POINTER(CapacityInfo), c_char_p, c_int32]),
    "specest_method": (c_int32, [c_int32, POINTER(MethodInfo)]),
    "specest_field_name": (c_char_p, [c_int32]),
    "specest_field_range": (c_char_p, [c_int32]),
}


def _load():
    """The library beside the package first, then the system loader's libspecest.so.1."""
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), LIBRARY_NAME)
    tried = []
    for candidate in (beside, SYSTEM_LIBRARY):
        if candidate is beside and not os.path.exists(beside):
            tried.append(f"{beside} (absent)")
            continue
        try:
            lib = ctypes.CDLL(candidate)
        except OSError as err:
            tried.append(f"{candidate} ({err})")
            continue
        missing = [name for name in _PROTOTYPES if not hasattr(lib, name)]
        if missing:
            raise ImportError(
                f"lumetra: {candidate} lacks {', '.join(missing)}; "
                "it is older than this package"
            )
        for name, (restype, argtypes) in _PROTOTYPES.items():
            fn = getattr(lib, name)
            fn.restype = restype
            fn.argtypes = argtypes
        return lib, candidate
    raise ImportError("lumetra: cannot load the engine library; tried " + "; ".join(tried))


lib, library_path = _load()


def new_params():
    p = Params()
    lib.specest_params_init(ctypes.byref(p))
    p.size = ctypes.sizeof(Params)
    return p


def new_params64():
    p = Params()
    lib.specest_params_init64(ctypes.byref(p))
    p.size = ctypes.sizeof(Params)
    return p


def new_output64():
    out = Output64()
    lib.specest_output_init64(ctypes.byref(out))
    out.size = ctypes.sizeof(Output64)
    return out


def new_batch_output64():
    out = BatchOutput64()
    lib.specest_batch_output_init64(ctypes.byref(out))
    out.size = ctypes.sizeof(BatchOutput64)
    return out


def new_output():
    out = Output()
    lib.specest_output_init(ctypes.byref(out))
    out.size = ctypes.sizeof(Output)
    return out


def new_capacity():
    cap = CapacityInfo()
    cap.size = ctypes.sizeof(CapacityInfo)
    return cap


def text(raw):
    """A C string from the engine (bytes or None) as str; the engine writes UTF-8."""
    return None if raw is None else raw.decode("utf-8", errors="replace")
