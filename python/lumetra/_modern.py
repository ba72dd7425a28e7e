"""The modern profile from Python: float64, scipy's grids, windows and density scaling."""

import ctypes
import math
import numbers
import operator
import warnings

import numpy as np

from . import _abi
from ._methods import lookup

# Keywords the modern profile takes besides the common ones, and their C fields.
_INT_KEYWORDS = {
    "order": "npoles",
    "zeros": "nzeros",
    "mode": "mode",
    "m_eqs": "m_eqs",
    "l_pts": "l_pts",
    "m_lags": "m_lags",
    "nit": "nit",
}
_REAL_KEYWORDS = {"eps": "eps", "per": "per"}


def _integer(name, value):
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (numbers.Integral, np.integer)):
        raise TypeError(f"{name} must be an integer, not {type(value).__name__} ({value!r})")
    value = operator.index(value)
    info = np.iinfo(np.int32)
    if not info.min < value <= info.max:
        raise ValueError(f"{name}={value} is out of range")
    return value


def _real(name, value):
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (numbers.Real, np.floating)):
        raise TypeError(f"{name} must be a real number, not {type(value).__name__} ({value!r})")
    value = float(value)
    if not math.isfinite(value):
        raise ValueError(f"{name}={value!r} must be finite")
    return value


def first_non_finite(data):
    """Index of data's first value that is not finite, or None. A finite sum (in double
    precision, so float32 cannot overflow) proves every value finite without an array of flags."""
    with np.errstate(all="ignore"):
        total = data.sum(dtype=np.complex128 if data.dtype.kind == "c" else np.float64)
    if np.isfinite(total):
        return None
    finite = np.isfinite(data)
    return None if finite.all() else int(np.argmin(finite))


def samples(x):
    """x as contiguous float64 (complex128 when complex) and whether it is complex."""
    arr = np.asarray(x)
    if arr.dtype.kind not in "biufc":
        raise TypeError(f"x must hold numbers; got dtype {arr.dtype}")
    if arr.ndim != 1:
        raise ValueError(f"x must be one-dimensional; got shape {arr.shape}")
    if arr.size == 0:
        raise ValueError("x is empty")
    if arr.size > np.iinfo(np.int32).max:
        raise ValueError(f"x has {arr.size} samples; at most 2**31 - 1 can be estimated")
    is_complex = arr.dtype.kind == "c"
    data = np.ascontiguousarray(arr, dtype=np.complex128 if is_complex else np.float64)
    i = first_non_finite(data)
    if i is not None:
        raise ValueError(f"x[{i}] = {arr[i]!r} is not a finite number; samples must be finite")
    return data, is_complex


def onesided_choice(return_onesided, twosided):
    if return_onesided is not None and twosided is not None:
        raise TypeError("give return_onesided or twosided (its inverse), not both")
    if twosided is not None:
        if not isinstance(twosided, (bool, np.bool_)):
            raise TypeError("twosided must be True or False")
        return not bool(twosided)
    if return_onesided is None:
        return True
    if not isinstance(return_onesided, (bool, np.bool_)):
        raise TypeError("return_onesided must be True or False")
    return bool(return_onesided)


class _Keep:
    """Objects whose memory the engine reads during the call."""

    def __init__(self):
        self.items = []

    def text(self, s):
        b = s.encode("utf-8")
        self.items.append(b)
        return b

    def array(self, a):
        self.items.append(a)
        return a.ctypes.data_as(ctypes.POINTER(ctypes.c_double))


def params(m, n, is_complex, *, fs, times, nfft, window, detrend, scaling, onesided,
           peak_prominence, settings, keep):
    unknown = [k for k in settings if k not in m.params or k in ("nfft", "twosided", "window")]
    unknown = [k for k in unknown if k not in ("nfft", "twosided", "window")]
    if unknown:
        takes = [k for k in m.params if k not in ("twosided",)]
        raise TypeError(
            f"{m.short_name} does not take {', '.join(map(repr, unknown))}; "
            f"it takes {', '.join(takes)}"
        )
    p = _abi.new_params64()
    p.method = m.number
    p.complex_data = int(is_complex)
    p.twosided = 0 if onesided else 1
    if times is not None:
        if fs != 1.0:
            raise TypeError("give fs or times, not both")
        t = np.asarray(times)
        if t.ndim != 1 or t.size != n or t.dtype.kind not in "iuf":
            raise ValueError(f"times must be {n} real numbers, one per sample; got shape {t.shape}")
        t = np.ascontiguousarray(t, dtype=np.float64)
        if not np.isfinite(t).all():
            raise ValueError("times must be finite")
        p.times64 = keep.array(t)
    else:
        fs = _real("fs", fs)
        if not fs > 0:
            raise ValueError(f"fs={fs!r} must be a positive number")
        p.fs = fs
    if nfft is not None:
        nfft = _integer("nfft", nfft)
        if nfft < 1:
            raise ValueError(f"nfft={nfft} must be a positive number of grid points")
        p.npoints = nfft
    if window is not None:
        if isinstance(window, str):
            p.window = keep.text(window)
        elif isinstance(window, tuple):
            raise ValueError(f"window={window!r}: windows with parameters are not supported; "
                             "pass the window's values as an array")
        else:
            w = np.ascontiguousarray(np.asarray(window, dtype=np.float64))
            if w.ndim != 1:
                raise ValueError("window must be a name or a one-dimensional array")
            p.window_values = keep.array(w)
            p.window_len = w.size
    if detrend is False or detrend is None:
        detrend = "none"
    if not isinstance(detrend, str):
        raise TypeError("detrend must be 'constant', 'linear' or False")
    if detrend not in ("constant", "linear", "none"):
        raise ValueError(f"detrend={detrend!r} must be 'constant', 'linear' or False")
    p.detrend = keep.text(detrend)
    if scaling not in ("density", "spectrum"):
        raise ValueError(f"scaling={scaling!r} must be 'density' or 'spectrum'")
    p.scaling = keep.text(scaling)
    p.peak_prominence_db = _real("peak_prominence", peak_prominence)
    for key, value in settings.items():
        if key in _INT_KEYWORDS:
            setattr(p, _INT_KEYWORDS[key], _integer(key, value))
        elif key in _REAL_KEYWORDS:
            setattr(p, _REAL_KEYWORDS[key], _real(key, value))
        else:
            raise TypeError(f"{m.short_name} does not take {key!r}")
    return p


def run(x, method, *, fs=1.0, nfft=None, times=None, window=None, detrend="constant",
        scaling="density", return_onesided=None, twosided=None, peak_prominence=3.0,
        report=False, settings=None, density_only=False):
    """One modern estimate: the raw fields as a dict (see lumetra.estimate)."""
    from . import EstimationError  # the package's exception

    m = lookup(method)
    data, is_complex = samples(x)
    n = data.size
    onesided = onesided_choice(return_onesided, twosided)
    if is_complex and onesided and (return_onesided is not None or twosided is not None):
        warnings.warn(
            "Input data is complex, switching to return_onesided=False", stacklevel=3
        )
    if is_complex and m.real_only:
        raise ValueError(f"{m.short_name} needs real x; pass x.real or choose another method")
    keep = _Keep()
    p = params(m, n, is_complex, fs=fs, times=times, nfft=nfft, window=window,
               detrend=detrend, scaling=scaling, onesided=onesided,
               peak_prominence=peak_prominence, settings=settings or {}, keep=keep)

    cap = _abi.new_capacity()
    msg = ctypes.create_string_buffer(_abi.MESSAGE_CAP)
    status = _abi.lib.specest_capacity64(ctypes.byref(p), n, ctypes.byref(cap), msg,
                                         _abi.MESSAGE_CAP)
    if status != _abi.SUCCESS:
        raise ValueError(_abi.text(msg.value).strip() or f"the settings are not valid ({status})")

    # The engine writes the grid straight into these (no copy); psd() takes no dB values.
    grid = [np.empty(cap.grid if k < 2 or not density_only else 0, np.float64) for k in range(3)]
    coef = [np.zeros(2 * cap.coef, np.float64) for _ in range(3)]
    peaks = np.zeros((cap.peaks, 3), np.float64)
    out = _abi.new_output64()
    fp = ctypes.POINTER(ctypes.c_double)
    out.freqs, out.psd, out.db = (a.ctypes.data_as(fp) for a in grid)
    out.grid_cap = cap.grid
    out.a, out.b, out.reflection = (a.ctypes.data_as(fp) for a in coef)
    out.coef_cap = cap.coef
    out.peaks = peaks.ctypes.data_as(fp)
    out.peak_cap = cap.peaks
    if density_only:  # psd(): no dB values, no peak table
        out.db = None
        out.peaks = None
        out.peak_cap = 0
    message = ctypes.create_string_buffer(_abi.MESSAGE_CAP)
    out.message = ctypes.cast(message, ctypes.POINTER(ctypes.c_char))
    out.message_cap = _abi.MESSAGE_CAP
    parts = []
    if report:
        def sink(text, length, _user):
            parts.append(ctypes.string_at(text, length))

        out.report_sink = _abi.ReportSink(sink)
    status = _abi.lib.specest_estimate64(ctypes.byref(p), data.ctypes.data_as(ctypes.c_void_p),
                                         n, ctypes.byref(out))
    text = message.value.decode("utf-8", errors="replace").strip()
    report_text = b"".join(parts).decode("utf-8", errors="replace") if parts else None
    if status == _abi.ESTIMATOR_FAILURE:
        raise EstimationError(text or "the estimator failed", report_text, status)
    if status == _abi.INVALID_INPUT:
        raise ValueError(text or "invalid input")
    if status == _abi.STOPPED:
        raise MemoryError(text or "the engine ran out of memory")
    if status != _abi.SUCCESS:
        raise RuntimeError(f"lumetra: specest_estimate64 returned {status}: {text}")
    nf = out.n_freq
    if not 0 <= nf <= cap.grid or not 0 <= out.n_peaks <= cap.peaks:
        raise RuntimeError("lumetra: the engine reported more values than the arrays hold")

    def coefficients(buf, count):
        c = buf[: 2 * count].view(np.complex128)
        return c.copy() if is_complex else c.real.copy()

    return dict(
        method=m,
        freqs=grid[0][:nf],
        psd=grid[1][:nf],
        db=grid[2][:nf],
        a=coefficients(coef[0], out.n_a),
        b=coefficients(coef[1], out.n_b),
        reflection=coefficients(coef[2], out.n_reflection),
        sig2=float(out.sig2) if m.parametric else None,
        peaks=peaks[: out.n_peaks].copy(),
        npts=int(out.npts),
        nfft=int(out.nfft),
        onesided=bool(out.onesided),
        iterations=int(out.iterations),
        akaike_status=int(out.akaike_status),
        report=report_text,
    )
