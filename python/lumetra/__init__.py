"""Lumetra's spectral estimators from Python: numpy arrays in, numpy arrays out.

    >>> import numpy as np, lumetra
    >>> x = np.random.default_rng(1).standard_normal(1024)
    >>> f, pxx = lumetra.psd(x, "burg", order=8, fs=100.0)     # density, units**2/Hz

The default (modern) profile computes in double precision with scipy.signal's conventions:
one-sided grids 0..fs/2 with the Nyquist bin, density scaling, the mean removed, scipy's
windows. profile="classic" gives the job file's single-precision results bit for bit.

Pure Python over the C interface of libspecest (ctypes); the engine call releases the GIL,
so estimates run in parallel on threads.
"""

import ctypes
import math
import operator
import os
import re
import warnings

import numpy as np

from . import _abi, _batch, _modern
from ._methods import DEFAULTS, FIELD_NAMES, KEYWORD_LINES, METHODS, Method, by_number, lookup

__all__ = ["psd", "estimate", "run_job", "Estimate", "EstimationError", "Method", "METHODS"]

__version__ = _abi.text(_abi.lib.specest_version())


class EstimationError(Exception):
    """The estimator failed on these data (no spectrum); ``report`` holds the run report."""

    def __init__(self, message, report=None, status=None):
        super().__init__(message)
        self.message = message
        self.report = report
        self.status = status


class Estimate:
    """The result of one estimate.

    Modern profile (the default):
    freqs: float64 grid, one-sided 0..fs/2 (Nyquist included for even nfft) or two-sided in
        numpy's fftfreq order; psd: the density (units**2/Hz, or units**2 with
        scaling="spectrum"); power is the same array; db: 10*log10(psd), where an exact zero
        reads 10*log10 of the smallest normal double instead of -inf.
    a, b, reflection: float64 model coefficients (complex128 for complex x; AR polynomial
        1 + a[0] z^-1 + ..., MA polynomial 1 + b[0] z^-1 + ...); empty when no model is fit.
    peaks: (n, 3) array of (frequency, psd, prominence in dB), most prominent first; peaks
        less prominent than peak_prominence (3 dB) are left out.

    Classic profile: freqs, db, power as a job run gives them (float32; db is 20*log10 of
    power relative to its maximum, floored 100 dB down), coefficients complex64, peaks an
    (n, 2) array of the report's peak table (frequency, dB) in frequency order.

    sig2: driving-noise variance of the model (None for methods that fit no model).
    zero_fill, npts, t_start, t_final: as the program reports them.
    iterations, akaike_status: Akaike's iteration count and status (0 for other methods).
    method: the Method used; report: the run report text, or None when not asked for.
    """

    __slots__ = (
        "method",
        "freqs",
        "db",
        "power",
        "a",
        "b",
        "reflection",
        "sig2",
        "peaks",
        "zero_fill",
        "npts",
        "t_start",
        "t_final",
        "iterations",
        "akaike_status",
        "report",
        "psd",
        "nfft",
        "onesided",
        "profile",
    )

    def __init__(self, **fields):
        for name in self.__slots__:
            setattr(self, name, fields.get(name))

    def __repr__(self):
        name = self.method.short_name if self.method else "?"
        return (
            f"<lumetra.Estimate {name}: {len(self.freqs)} frequencies, "
            f"{len(self.peaks)} peaks, sig2={self.sig2}>"
        )


def _next_power_of_two(n):
    return 1 << (n - 1).bit_length()


def _samples(x):
    """x as contiguous float32 values (complex: (re, im) pairs) and whether it is complex."""
    arr = np.asarray(x)
    if arr.ndim != 1:
        raise ValueError(f"x must be one-dimensional; got shape {arr.shape}")
    if arr.size == 0:
        raise ValueError("x is empty")
    if arr.dtype.kind not in "biufc":
        raise ValueError(f"x must hold numbers; got dtype {arr.dtype}")
    if arr.size > np.iinfo(np.int32).max:
        raise ValueError(f"x has {arr.size} samples; the engine takes at most 2**31 - 1")
    is_complex = arr.dtype.kind == "c"
    data = np.ascontiguousarray(arr, dtype=np.complex64 if is_complex else np.float32)
    i = _modern.first_non_finite(data)
    if i is not None:
        raise ValueError(
            f"x[{i}] = {arr[i]!r} is not a finite single-precision number; "
            "samples must be finite"
        )
    return data, is_complex


def _times(times, n):
    t = np.asarray(times)
    if t.ndim != 1 or t.size != n or t.dtype.kind not in "iuf":
        raise ValueError(
            f"times must be {n} real numbers, one per sample; got shape {t.shape}, dtype {t.dtype}"
        )
    # Double precision: Unix timestamps (1.7e9 + k * 0.01 s) keep their step.
    t = np.ascontiguousarray(t, dtype=np.float64)
    finite = np.isfinite(t)
    if not finite.all():
        i = int(np.argmin(finite))
        raise ValueError(f"times[{i}] is not a finite number")
    return t


def _set_setting(p, method, keyword, value):
    line = KEYWORD_LINES[keyword]
    field = _abi.LINE_TO_PARAM[line]
    ctype = dict(_abi.Params._fields_)[field]
    where = f"{keyword}={value!r}"
    rng = method.ranges.get(keyword)
    hint = f" ({rng})" if rng else ""
    if field == "twosided":
        if not isinstance(value, (bool, np.bool_)):
            raise ValueError(f"{where}: twosided must be True or False")
        value = int(bool(value))
    elif ctype is ctypes.c_char_p:
        if not isinstance(value, str):
            raise ValueError(f"{where}: {keyword} must be a name (str){hint}")
        value = value.encode("utf-8")
    elif ctype is ctypes.c_float:
        if isinstance(value, (bool, np.bool_)):
            raise ValueError(f"{where}: {keyword} must be a number{hint}")
        try:
            value = float(value)
        except (TypeError, ValueError):
            raise ValueError(f"{where}: {keyword} must be a number{hint}") from None
        if not math.isfinite(value) or not math.isfinite(np.float32(value)):
            raise ValueError(f"{where}: {keyword} must be finite in single precision{hint}")
    else:
        if isinstance(value, (bool, np.bool_)):
            raise ValueError(f"{where}: {keyword} must be an integer{hint}")
        try:
            value = operator.index(value)
        except TypeError:
            raise ValueError(f"{where}: {keyword} must be an integer{hint}") from None
        info = np.iinfo(np.int32)
        if not info.min <= value <= info.max:
            raise ValueError(f"{where}: {keyword} is out of range{hint}")
    setattr(p, field, value)


def _params(n, is_complex, method, fs, times, nfft, settings):
    m = lookup(method)
    unknown = [k for k in settings if k not in m.params]
    if unknown:
        raise ValueError(
            f"{m.short_name} does not take {', '.join(map(repr, unknown))}; "
            f"it takes {', '.join(m.params)}"
        )
    missing = [k for k in m.required if k not in settings]
    if missing:
        needs = ", ".join(f"{k} ({m.ranges[k]})" if m.ranges.get(k) else k for k in missing)
        raise ValueError(f"{m.short_name} needs {needs}")

    p = _abi.new_params()
    p.method = m.number
    p.complex_data = int(is_complex)
    p.npts = 0
    if times is not None:
        if fs != 1.0:
            raise ValueError("give fs or times, not both")
        p.times64 = times.ctypes.data_as(ctypes.POINTER(ctypes.c_double))
    else:
        try:
            fs = float(fs)
        except (TypeError, ValueError):
            raise ValueError(f"fs={fs!r}: fs must be a positive number") from None
        if not (math.isfinite(fs) and fs > 0):
            raise ValueError(f"fs={fs!r}: fs must be a positive number")
        p.dt = 1.0 / fs
    nfft_key = FIELD_NAMES[9]
    if nfft is None:
        nfft = _next_power_of_two(n)
    _set_setting(p, m, nfft_key, nfft)
    if 1 <= p.npoints and _next_power_of_two(p.npoints) < n:
        # A job run would use only the first nfft samples; say so rather than drop data.
        raise ValueError(
            f"nfft={nfft} is smaller than len(x)={n}: the engine would use only the first "
            f"{_next_power_of_two(p.npoints)} samples (pass x[:{_next_power_of_two(p.npoints)}] "
            "to mean that)"
        )
    for line, default in DEFAULTS.items():
        key = FIELD_NAMES[line]
        if key in m.params and key not in settings:
            _set_setting(p, m, key, default)
    for key, value in settings.items():
        _set_setting(p, m, key, value)
    return m, p


class _Buffers:
    """Caller-owned result arrays sized by a capacity query, wired into an Output."""

    def __init__(self, cap, want_report):
        self.grid = [np.zeros(max(cap.grid, 0), np.float32) for _ in range(3)]
        self.coef = [np.zeros(2 * max(cap.coef, 0), np.float32) for _ in range(3)]
        self.peaks = [np.zeros(max(cap.peaks, 0), np.float32) for _ in range(2)]
        self.message = ctypes.create_string_buffer(_abi.MESSAGE_CAP)
        self.report_parts = []
        self.out = _abi.new_output()
        fp = ctypes.POINTER(ctypes.c_float)
        out = self.out
        out.freqs, out.db, out.power = (a.ctypes.data_as(fp) for a in self.grid)
        out.grid_cap = cap.grid
        out.a, out.b, out.reflection = (a.ctypes.data_as(fp) for a in self.coef)
        out.coef_cap = cap.coef
        out.peak_freqs, out.peak_db = (a.ctypes.data_as(fp) for a in self.peaks)
        out.peak_cap = cap.peaks
        out.message = ctypes.cast(self.message, ctypes.POINTER(ctypes.c_char))
        out.message_cap = _abi.MESSAGE_CAP
        if want_report:
            # The sink object must outlive the call; it lives as long as these buffers.
            def sink(text, length, _user):
                self.report_parts.append(ctypes.string_at(text, length))

            self._sink = _abi.ReportSink(sink)
            out.report_sink = self._sink

    def message_text(self):
        return self.message.value.decode("utf-8", errors="replace").strip()

    def report_text(self):
        if not self.report_parts:
            return None
        return b"".join(self.report_parts).decode("utf-8", errors="replace")

    def result(self, method, report):
        out = self.out

        def count(n, cap, what):
            if not 0 <= n <= cap:
                raise RuntimeError(
                    f"lumetra: the engine reported {n} {what} for a capacity of {cap}"
                )
            return n

        nf = count(out.n_freq, out.grid_cap, "frequencies")
        freqs, db, power = (a[:nf] for a in self.grid)
        a, b, refl = (
            buf[: 2 * count(n, out.coef_cap, "coefficients")].view(np.complex64)
            for buf, n in zip(self.coef, (out.n_a, out.n_b, out.n_reflection))
        )
        npk = count(out.n_peaks, out.peak_cap, "peaks")
        peaks = np.column_stack((self.peaks[0][:npk], self.peaks[1][:npk]))
        parametric = method.parametric if method else True
        return Estimate(
            profile="classic",
            method=method,
            freqs=freqs,
            db=db,
            power=power,
            a=a,
            b=b,
            reflection=refl,
            sig2=float(out.sig2) if parametric else None,
            peaks=peaks,
            zero_fill=float(out.zero_fill),
            npts=int(out.npts),
            t_start=float(out.t_start),
            t_final=float(out.t_final),
            iterations=int(out.iterations),
            akaike_status=int(out.akaike_status),
            report=report,
        )


def _capacity_error(status, message, what):
    if status == _abi.INVALID_INPUT or status == _abi.STOPPED:
        raise ValueError(message or f"{what} is not valid (status {status})")
    raise RuntimeError(f"lumetra: {what}: unexpected status {status} from the engine: {message}")


_PROFILES = ("modern", "classic")


def estimate(
    x,
    method,
    *,
    fs=1.0,
    nfft=None,
    times=None,
    report=False,
    profile="modern",
    window=None,
    detrend="constant",
    scaling="density",
    return_onesided=None,
    peak_prominence=3.0,
    axis=-1,
    **params,
):
    """Estimates the spectrum of the samples x (any array-like, real or complex).

    x may have any number of dimensions: every 1-D slice along axis (default the last) is
    estimated on its own, all in parallel on the engine's threads, each giving the bits its
    1-D call gives. Then freqs is the common grid; psd, power and db have x's shape with the
    frequency axis in place of axis; a, b, reflection are stacked (slices' shape + (order,));
    sig2, iterations and akaike_status have the slices' shape; peaks is a list (nested as
    the slices) of per-slice peak tables. A slice the estimator fails on raises
    EstimationError naming the slice; report=True needs 1-D x.

    profile: "modern" (default: float64, scipy's conventions; see docs/numerics.md) or
        "classic" (exactly what a job file gives).
    method: a name as the program or the run report spells it ("Burg", "Modified Covariance")
        or the short name ("burg", "modified-covariance"); lumetra.METHODS lists them.
    fs: sampling frequency; or times: the time of every sample (first and last count).
    nfft: grid points. Modern: exactly this many (periodogram: default len(x), a smaller
        nfft truncates x as scipy does; other methods: default max(256, next power of two
        >= len(x)), never truncating). Classic: rounded up to a power of two.
    window (periodogram): modern, a scipy window name ("boxcar" default, "hann", "hamming",
        "blackman", "bartlett", "triang") or an array of len(x) values; classic, one of
        Rectangular, Barlett, Hanning, Hamming, Blackman.
    detrend (modern): "constant" (default), "linear" or False, for every method.
    scaling (modern): "density" (units**2/Hz) or "spectrum" (units**2).
    return_onesided (modern): True (default) for real x; complex x is always two-sided
        (with a warning when one-sided was asked for). twosided=True is its inverse.
    peak_prominence (modern): peaks less prominent than this many dB are left out.
    params: the method's settings (order, zeros, eps, mode, m_eqs, l_pts, m_lags, nit, per).
        Modern defaults: eps 0 (pivots must be positive), mode 1, m_eqs 2*(order+zeros)+2,
        l_pts max(32, 4*(order+zeros)) below len(x), m_lags len(x)//10, nit 20, per 1.0;
        order (and zeros for ARMA methods) must be given. Classic: every setting the method
        uses must be given.

    Raises TypeError for a wrong type, ValueError for invalid input (naming the keyword),
    EstimationError when the estimator fails on these data, MemoryError when the engine runs
    out of memory.
    """
    if profile not in _PROFILES:
        raise ValueError(f"profile={profile!r} must be 'modern' or 'classic'")
    x = _batch_input(x, axis, report)
    if profile == "classic":
        if window is not None:
            params["window"] = window
        if return_onesided is not None:
            if "twosided" in params:
                raise TypeError("give return_onesided or twosided (its inverse), not both")
            params["twosided"] = not return_onesided
        if isinstance(x, _Slices):
            return Estimate(**_batch.classic(x.x, method, x.axis, fs=fs, nfft=nfft, times=times,
                                             params=params))
        return _estimate_classic(x, method, fs=fs, nfft=nfft, times=times, report=report, **params)
    twosided = params.pop("twosided", None)
    if isinstance(x, _Slices):
        return Estimate(**_batch.modern(
            x.x, method, x.axis, fs=fs, nfft=nfft, times=times, window=window, detrend=detrend,
            scaling=scaling, return_onesided=return_onesided, twosided=twosided,
            peak_prominence=peak_prominence, settings=params))
    fields = _modern.run(
        x,
        method,
        fs=fs,
        nfft=nfft,
        times=times,
        window=window,
        detrend=detrend,
        scaling=scaling,
        return_onesided=return_onesided,
        twosided=twosided,
        peak_prominence=peak_prominence,
        report=report,
        settings=params,
    )
    n = fields["npts"]
    if times is not None:
        t = np.asarray(times, dtype=np.float64)
        t_start, t_final = float(t[0]), float(t[n - 1])
    else:
        t_start, t_final = 0.0, (n - 1) / float(fs)
    return Estimate(
        profile="modern",
        power=fields["psd"],
        zero_fill=None,
        t_start=t_start,
        t_final=t_final,
        **fields,
    )


class _Slices:
    """Input for the batch path: an array of more than one dimension."""

    def __init__(self, x, axis):
        self.x = x
        self.axis = axis


def _batch_input(x, axis, report):
    """x itself for the 1-D path, or _Slices for the batch path (checking axis)."""
    arr = np.asarray(x)
    if arr.ndim == 1 and arr.dtype.kind in "biufc":
        _batch.normalize_axis(axis, 1, arr.shape)
        return x
    if arr.ndim == 0 or arr.dtype.kind not in "biufc":
        return x  # the 1-D path says what is wrong
    if report:
        raise ValueError(f"report=True needs one-dimensional x; got shape {arr.shape}")
    return _Slices(arr, axis)


def psd(
    x,
    method="periodogram",
    *,
    fs=1.0,
    nfft=None,
    window=None,
    detrend="constant",
    scaling="density",
    return_onesided=None,
    axis=-1,
    **params,
):
    """(f, Pxx): the spectral density of x, as scipy.signal.periodogram returns it.

    x may have any number of dimensions: Pxx then has x's shape with the frequency axis in
    place of axis (default -1), every slice estimated in parallel (see estimate()). A pandas
    DataFrame's columns are axis=0.

    The modern profile (float64, scipy's conventions) with any of the fourteen methods; see
    estimate() for the keywords. With method="periodogram" the meanings and defaults are
    scipy.signal.periodogram's (window "boxcar", nfft len(x), one-sided for real x).
    """
    ndim = x.ndim if type(x) is np.ndarray else np.ndim(x)
    if ndim == 1 and axis in (-1, 0) and "profile" not in params:
        # One record: the density alone, without the dB values and peaks estimate() adds.
        twosided = params.pop("twosided", None)
        times = params.pop("times", None)
        return _modern.density(x, method, fs=fs, nfft=nfft, times=times, window=window,
                               detrend=detrend, scaling=scaling,
                               return_onesided=return_onesided, twosided=twosided,
                               settings=params)
    if params.get("profile", "modern") == "modern" and not params.get("report"):
        x = _batch_input(x, axis, False)
        if isinstance(x, _Slices):
            # Many records: the densities alone, written by the engine into one array.
            params.pop("profile", None)
            twosided = params.pop("twosided", None)
            fields = _batch.modern(
                x.x, method, x.axis, fs=fs, nfft=nfft, times=params.pop("times", None),
                window=window, detrend=detrend, scaling=scaling,
                return_onesided=return_onesided, twosided=twosided,
                peak_prominence=params.pop("peak_prominence", 3.0), settings=params,
                density_only=True)
            return fields["freqs"], fields["psd"]
    e = estimate(
        x,
        method,
        fs=fs,
        nfft=nfft,
        window=window,
        detrend=detrend,
        scaling=scaling,
        return_onesided=return_onesided,
        axis=axis,
        **params,
    )
    return e.freqs, e.psd


def _estimate_classic(x, method, *, fs=1.0, nfft=None, times=None, report=False, **params):
    """Estimates the spectrum of the samples x (any 1-D array-like, real or complex).

    method: a name as the program or the run report spells it ("Burg", "BURG",
        "Modified Covariance") or the short name ("burg", "modified-covariance"); letter case
        does not matter. lumetra.METHODS lists the methods and the keywords each takes.
    fs: sampling frequency (the frequency axis is in its units); or times: the time value of
        every sample (only the first and last are used, as in a data file).
    nfft: frequency points, rounded up to a power of two (default: the next power of two
        >= len(x)).
    report: True to keep the run report text in Estimate.report.
    params: the method's settings (order, zeros, eps, mode, m_eqs, l_pts, m_lags, nit, per,
        window, twosided); every setting the method uses must be given, except window
        (default "Rectangular") and twosided (default False).

    Raises ValueError for invalid input (naming the parameter), EstimationError when the
    estimator fails on these data, MemoryError when the engine runs out of memory.
    """
    data, is_complex = _samples(x)
    n = data.size
    t = _times(times, n) if times is not None else None
    m, p = _params(n, is_complex, method, fs, t, nfft, params)

    cap = _abi.new_capacity()
    msg = ctypes.create_string_buffer(_abi.MESSAGE_CAP)
    status = _abi.lib.specest_capacity(ctypes.byref(p), ctypes.byref(cap), msg, _abi.MESSAGE_CAP)
    if status != _abi.SUCCESS:
        message = _abi.text(msg.value).strip()
        if nfft is None and re.search(r"(?i)npoints|nfft", message):
            message += f" (nfft defaults to the next power of two >= len(x) = {n})"
        _capacity_error(status, message, "the settings")

    def call(want_report):
        bufs = _Buffers(cap, want_report)
        st = _abi.lib.specest_estimate(
            ctypes.byref(p), data.ctypes.data_as(ctypes.c_void_p), n, ctypes.byref(bufs.out)
        )
        return st, bufs

    status, bufs = call(report)
    if status == _abi.ESTIMATOR_FAILURE and not report:
        # The failure is deterministic: run again with the report sink so the error carries
        # the report, and keep the fast path free of report text.
        status, bufs = call(True)
    if status == _abi.SUCCESS:
        note = bufs.message_text()
        if note:  # e.g. samples above 1e10 set to zero, as job files do
            warnings.warn(note, stacklevel=2)
        return bufs.result(m, bufs.report_text() if report else None)
    message = bufs.message_text()
    if status == _abi.ESTIMATOR_FAILURE:
        raise EstimationError(message or "the estimator failed", bufs.report_text(), status)
    if status == _abi.INVALID_INPUT:
        raise ValueError(message or "invalid input")
    if status == _abi.STOPPED:
        raise MemoryError(message or "the engine stopped (out of memory)")
    raise RuntimeError(f"lumetra: specest_estimate returned {status}: {message}")


_REPORT_NAME = "~Lumetra.out"


def run_job(path, report_dir=None, profile="classic"):
    """Runs a job file exactly as the program does and returns its Estimate.

    The run report "~Lumetra.out" goes to report_dir (default: the current directory) and is
    also in Estimate.report. A job the engine stops on (bad settings, unreadable data) raises
    ValueError with the engine's stop text; an estimator failure raises EstimationError;
    running out of memory raises MemoryError.
    
    profile="modern" runs the job's data, method and settings in the modern profile (the
    desktop program's modern view): nPoints is the exact grid size, the window goes by
    scipy's name, the mean is removed and fs comes from the data's time step; the results are
    float32 (freqs in Hz, db 10*log10 of the density, power the density); no report file is
    written.
    """
    path = os.fspath(path)
    if not os.path.isfile(path):
        raise FileNotFoundError(f"job file not found: {path}")
    cpath = os.fsencode(path)
    cdir = os.fsencode(os.fspath(report_dir)) if report_dir is not None else None

    cap = _abi.new_capacity()
    msg = ctypes.create_string_buffer(_abi.MESSAGE_CAP)
    status = _abi.lib.specest_file_capacity(cpath, ctypes.byref(cap), msg, _abi.MESSAGE_CAP)
    if status != _abi.SUCCESS:
        _capacity_error(status, _abi.text(msg.value).strip(), f"job {path}")

    bufs = _Buffers(cap, True)
    if profile not in _PROFILES:
        raise ValueError(f"profile={profile!r} must be 'classic' or 'modern'")
    flags = _abi.NO_PAUSE | (_abi.PROFILE_MODERN if profile == "modern" else 0)
    status = _abi.lib.specest_run_file(cpath, cdir, flags, ctypes.byref(bufs.out))
    report = bufs.report_text()
    if report is None:
        report_path = os.path.join(os.fspath(report_dir) if report_dir else ".", _REPORT_NAME)
        try:
            with open(report_path, encoding="utf-8", errors="replace") as f:
                report = f.read()
        except OSError:
            report = None
    message = bufs.message_text()
    if status == _abi.SUCCESS:
        return bufs.result(by_number(bufs.out.method), report)
    if status == _abi.ESTIMATOR_FAILURE:
        raise EstimationError(message or "the estimator failed", report, status)
    if status == _abi.INVALID_INPUT:
        raise ValueError(f"job {path}: {message or 'invalid input'}")
    if status == _abi.STOPPED:
        raise MemoryError(f"job {path}: {message or 'the engine stopped (out of memory)'}")
    raise RuntimeError(f"lumetra: specest_run_file returned {status}: {message}")


