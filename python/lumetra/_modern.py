"""The modern profile from Python: float64, scipy's grids, windows and density scaling."""

import ctypes
import math
import numbers
import operator
import threading
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


_INT32_MIN, _INT32_MAX = int(np.iinfo(np.int32).min), int(np.iinfo(np.int32).max)


def _integer(name, value):
    # Plain ints (the usual case) skip the abstract-class checks.
    if type(value) is not int:
        if isinstance(value, (bool, np.bool_)) or not isinstance(
            value, (numbers.Integral, np.integer)
        ):
            raise TypeError(f"{name} must be an integer, not {type(value).__name__} ({value!r})")
        value = operator.index(value)
    if not _INT32_MIN < value <= _INT32_MAX:
        raise ValueError(f"{name}={value} is out of range")
    return value


def _real(name, value):
    if type(value) is float:
        if not math.isfinite(value):
            raise ValueError(f"{name}={value!r} must be finite")
        return value
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


def _first_non_finite64(data):
    """first_non_finite for float64 or complex128 data: one vectorised pass of isfinite (no
    errstate switching, which costs more than the pass)."""
    finite = np.isfinite(data)
    return None if finite.all() else int(np.argmin(finite))


def samples(x, check=True):
    """x as contiguous float64 (complex128 when complex) and whether it is complex. With
    check=False the caller leaves the finiteness check to the engine (see run())."""
    arr = np.asarray(x)
    if arr.dtype.kind not in "biufc":
        raise TypeError(f"x must hold numbers; got dtype {arr.dtype}")
    if arr.ndim != 1:
        raise ValueError(f"x must be one-dimensional; got shape {arr.shape}")
    if arr.size == 0:
        raise ValueError("x is empty")
    if arr.size > _INT32_MAX:
        raise ValueError(f"x has {arr.size} samples; at most 2**31 - 1 can be estimated")
    is_complex = arr.dtype.kind == "c"
    data = np.ascontiguousarray(arr, dtype=np.complex128 if is_complex else np.float64)
    if check:
        require_finite(data, arr)
    return data, is_complex


def require_finite(data, arr):
    i = _first_non_finite64(data)
    if i is not None:
        raise ValueError(f"x[{i}] = {arr[i]!r} is not a finite number; samples must be finite")


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


def _void_layout(cls):
    """cls with its data pointers as plain addresses (the same layout), so an array's
    address goes in without a ctypes pointer object per field."""
    fields = [(name, ctypes.c_void_p if name != "report_sink" and issubclass(
        kind, ctypes._Pointer) else kind) for name, kind in cls._fields_]
    return type(cls.__name__ + "Addresses", (ctypes.Structure,), {"_fields_": fields})


_Output64Addresses = _void_layout(_abi.Output64)
# specest_params_init64's defaults, copied into each call's struct.
_FRESH_PARAMS64 = bytes(memoryview(_abi.new_params64()))
assert ctypes.sizeof(_Output64Addresses) == ctypes.sizeof(_abi.Output64)


class _Calls(threading.local):
    """Per thread: the engine entries taking addresses, a message buffer, the capacity
    struct, an initialised output struct, and the checked settings of recent calls."""

    def __init__(self):
        lib = ctypes.CDLL(_abi.library_path)
        self.capacity = lib.specest_capacity64
        self.capacity.restype = ctypes.c_int32
        self.capacity.argtypes = [ctypes.c_void_p, ctypes.c_int32, ctypes.c_void_p,
                                  ctypes.c_char_p, ctypes.c_int32]
        self.estimate = lib.specest_estimate64
        self.estimate.restype = ctypes.c_int32
        self.estimate.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int32,
                                  ctypes.c_void_p]
        self.message = ctypes.create_string_buffer(_abi.MESSAGE_CAP)
        self.cap = _abi.new_capacity()
        self.cap_ref = ctypes.addressof(self.cap)
        initialised = _abi.new_output64()
        fresh = _Output64Addresses.from_buffer_copy(
            ctypes.string_at(ctypes.addressof(initialised), ctypes.sizeof(initialised)))
        fresh.message = ctypes.addressof(self.message)
        fresh.message_cap = _abi.MESSAGE_CAP
        self._fresh = bytes(fresh)
        self.prepared = {}

    @staticmethod
    def params_ref(p):
        return ctypes.addressof(p)

    def output(self):
        """A struct as specest_output_init64 leaves it, with this thread's message buffer."""
        return _Output64Addresses.from_buffer_copy(self._fresh)


_thread_calls = _Calls()


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
    p = _abi.Params.from_buffer_copy(_FRESH_PARAMS64)
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
    m = lookup(method)
    # The engine checks every sample it reads; only the periodogram may read fewer than all
    # (nfft < len(x)). Otherwise the pass over x is made only when the call fails, so a bad
    # sample is still the error reported first.
    checked = m.short_name == "periodogram"
    data, is_complex = samples(x, check=checked)
    try:
        return _run(m, data, is_complex, fs=fs, nfft=nfft, times=times, window=window,
                    detrend=detrend, scaling=scaling, return_onesided=return_onesided,
                    twosided=twosided, peak_prominence=peak_prominence, report=report,
                    settings=settings, density_only=density_only)
    except Exception:
        if not checked:
            require_finite(data, np.asarray(x))
        raise


# Checked settings kept per thread: loops over records of one length with one set of keywords
# (the usual use) check and size them once.
_PREPARED_LIMIT = 64


class _Prepared:
    """The checked params struct of one set of arguments, what keeps its texts alive, and the
    array sizes the engine asked for."""

    __slots__ = ("params", "ref", "keep", "grid", "coef", "peaks", "warn")


def _prepare(m, n, is_complex, *, fs, nfft, times, window, detrend, scaling, return_onesided,
             twosided, peak_prominence, settings):
    onesided = onesided_choice(return_onesided, twosided)
    if is_complex and m.real_only:
        raise ValueError(f"{m.short_name} needs real x; pass x.real or choose another method")
    keep = _Keep()
    p = params(m, n, is_complex, fs=fs, times=times, nfft=nfft, window=window,
               detrend=detrend, scaling=scaling, onesided=onesided,
               peak_prominence=peak_prominence, settings=settings, keep=keep)
    calls = _thread_calls
    msg = calls.message
    status = calls.capacity(calls.params_ref(p), n, calls.cap_ref, msg, _abi.MESSAGE_CAP)
    if status != _abi.SUCCESS:
        raise ValueError(_abi.text(msg.value).strip() or f"the settings are not valid ({status})")
    prep = _Prepared()
    prep.params, prep.ref, prep.keep = p, ctypes.addressof(p), keep
    prep.grid, prep.coef, prep.peaks = calls.cap.grid, calls.cap.coef, calls.cap.peaks
    prep.warn = is_complex and onesided and (return_onesided is not None or twosided is not None)
    return prep


def _prepared(m, n, is_complex, stacklevel, fs, nfft, times, window, detrend, scaling,
              return_onesided, twosided, peak_prominence, settings):
    """_prepare's result, from this thread's recent calls when the arguments repeat; the
    complex-input warning points stacklevel frames up."""
    kept = _thread_calls.prepared
    key = prep = None
    if times is None:
        # Types are part of the key: True == 1 and 4.0 == 4, yet order=True and order=4.0 are
        # refused. A value that cannot be hashed (a window's values) is not kept.
        key = (m.number, n, is_complex, type(fs), fs, type(nfft), nfft, type(window), window,
               type(detrend), detrend, scaling, type(return_onesided), return_onesided,
               type(twosided), twosided, type(peak_prominence), peak_prominence)
        for k, v in settings.items():
            key += (k, type(v), v)
        try:
            prep = kept.get(key)
        except TypeError:
            key = None
    if prep is None:
        prep = _prepare(m, n, is_complex, fs=fs, nfft=nfft, times=times, window=window,
                        detrend=detrend, scaling=scaling, return_onesided=return_onesided,
                        twosided=twosided, peak_prominence=peak_prominence, settings=settings)
        if key is not None:
            if len(kept) >= _PREPARED_LIMIT:
                kept.clear()
            kept[key] = prep
    if prep.warn:
        warnings.warn("Input data is complex, switching to return_onesided=False",
                      stacklevel=stacklevel)
    return prep


def _call(prep, data, out, parts):
    """specest_estimate64 on data into out; raises on failure."""
    calls = _thread_calls
    status = calls.estimate(prep.ref, data.ctypes.data, data.size, ctypes.addressof(out))
    if status == _abi.SUCCESS:
        return
    from . import EstimationError  # the package's exception

    text = calls.message.value.decode("utf-8", errors="replace").strip()
    if status == _abi.ESTIMATOR_FAILURE:
        report_text = b"".join(parts).decode("utf-8", errors="replace") if parts else None
        raise EstimationError(text or "the estimator failed", report_text, status)
    if status == _abi.INVALID_INPUT:
        raise ValueError(text or "invalid input")
    if status == _abi.STOPPED:
        raise MemoryError(text or "the engine ran out of memory")
    raise RuntimeError(f"lumetra: specest_estimate64 returned {status}: {text}")


def density(x, method, *, fs, nfft, times, window, detrend, scaling, return_onesided, twosided,
            settings):
    """(f, Pxx) of one record: lumetra.psd's one-dimensional path, no dB values or peaks."""
    m = lookup(method)
    checked = m.short_name == "periodogram"  # see run()
    data, is_complex = samples(x, check=checked)
    try:
        prep = _prepared(m, data.size, is_complex, 4, fs, nfft, times, window, detrend, scaling,
                         return_onesided, twosided, 3.0, settings)
        ngrid = prep.grid
        freqs = np.empty(ngrid, np.float64)
        dens = np.empty(ngrid, np.float64)
        out = _thread_calls.output()
        out.freqs = freqs.ctypes.data
        out.psd = dens.ctypes.data
        out.grid_cap = ngrid
        _call(prep, data, out, None)
    except Exception:
        if not checked:
            require_finite(data, np.asarray(x))
        raise
    nf = out.n_freq
    if not 0 <= nf <= ngrid:
        raise RuntimeError("lumetra: the engine reported more values than the arrays hold")
    return freqs[:nf], dens[:nf]


def _run(m, data, is_complex, *, fs, nfft, times, window, detrend, scaling, return_onesided,
         twosided, peak_prominence, report, settings, density_only):
    prep = _prepared(m, data.size, is_complex, 5, fs, nfft, times, window, detrend, scaling,
                     return_onesided, twosided, peak_prominence, settings or {})
    # The engine writes the grid and coefficients straight into these (no copy); psd() takes
    # no dB values and no peaks.
    ngrid, ncoef, npeak = prep.grid, prep.coef, prep.peaks
    freqs = np.empty(ngrid, np.float64)
    dens = np.empty(ngrid, np.float64)
    db = np.empty(0 if density_only else ngrid, np.float64)
    coef = np.zeros(6 * ncoef, np.float64)  # a, b, reflection: (re, im) pairs each
    peaks = np.zeros((0 if density_only else npeak, 3), np.float64)
    out = _thread_calls.output()
    out.freqs = freqs.ctypes.data
    out.psd = dens.ctypes.data
    out.grid_cap = ngrid
    base = coef.ctypes.data
    out.a = base
    out.b = base + 16 * ncoef
    out.reflection = base + 32 * ncoef
    out.coef_cap = ncoef
    if not density_only:
        out.db = db.ctypes.data
        out.peaks = peaks.ctypes.data
        out.peak_cap = npeak
    parts = []
    if report:
        def sink(text, length, _user):
            parts.append(ctypes.string_at(text, length))

        out.report_sink = _abi.ReportSink(sink)
    _call(prep, data, out, parts)
    report_text = b"".join(parts).decode("utf-8", errors="replace") if parts else None
    nf = out.n_freq
    n_peaks = out.n_peaks
    if not 0 <= nf <= ngrid or not 0 <= n_peaks <= npeak:
        raise RuntimeError("lumetra: the engine reported more values than the arrays hold")

    def coefficients(k, count):
        start = 2 * k * ncoef
        if is_complex:
            return coef[start : start + 2 * count].view(np.complex128).copy()
        return coef[start : start + 2 * count : 2].copy()

    return dict(
        method=m,
        freqs=freqs[:nf],
        psd=dens[:nf],
        db=db[:nf],
        a=coefficients(0, out.n_a),
        b=coefficients(1, out.n_b),
        reflection=coefficients(2, out.n_reflection),
        sig2=float(out.sig2) if m.parametric else None,
        peaks=peaks[:n_peaks].copy(),
        npts=int(out.npts),
        nfft=int(out.nfft),
        onesided=bool(out.onesided),
        iterations=int(out.iterations),
        akaike_status=int(out.akaike_status),
        report=report_text,
    )
