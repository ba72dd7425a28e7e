"""N-dimensional input: every 1-D slice along `axis` in one call of the engine's batch entry.

The call runs the slices on the engine's threads with the GIL released (ctypes), and each
slice gets the bits the 1-D call gives (the entry runs the 1-D entry on every record).
"""

import ctypes
import operator
import warnings

import numpy as np

from . import _abi, _modern
from ._methods import lookup


def normalize_axis(axis, ndim, shape):
    if isinstance(axis, (bool, np.bool_)):
        raise TypeError(f"axis must be an integer, not {axis!r}")
    try:
        axis = operator.index(axis)
    except TypeError:
        raise TypeError(f"axis must be an integer, not {type(axis).__name__} ({axis!r})") from None
    if not -ndim <= axis < ndim:
        raise ValueError(
            f"axis={axis} is out of range for x with {ndim} dimension"
            f"{'s' if ndim != 1 else ''} (shape {tuple(shape)})"
        )
    return axis % ndim


def _records(x, axis, dtype_real, dtype_complex, what, check=True):
    """x's slices along axis as a C-contiguous (records, n) array, and their batch shape.

    check=False leaves the finiteness of the samples to a later check_finite (the modern
    engine refuses a slice with a non-finite sample itself, in parallel)."""
    arr = np.asarray(x)
    if arr.dtype.kind not in "biufc":
        raise TypeError(f"x must hold numbers; got dtype {arr.dtype}")
    if arr.ndim == 0:
        raise ValueError("x must have at least one dimension; got a scalar")
    axis = normalize_axis(axis, arr.ndim, arr.shape)
    n = arr.shape[axis]
    if n == 0:
        raise ValueError(f"x has no samples along axis {axis} (shape {arr.shape})")
    if n > np.iinfo(np.int32).max:
        raise ValueError(f"x has {n} samples along axis {axis}; at most 2**31 - 1 can be estimated")
    moved = np.moveaxis(arr, axis, -1)
    batch_shape = moved.shape[:-1]
    records = int(np.prod(batch_shape, dtype=np.int64))
    if records == 0:
        raise ValueError(f"x has shape {arr.shape}: no slices along axis {axis} to estimate")
    if records > np.iinfo(np.int32).max:
        raise ValueError(f"x has {records} slices; at most 2**31 - 1 can be estimated at once")
    is_complex = arr.dtype.kind == "c"
    data = np.ascontiguousarray(moved, dtype=dtype_complex if is_complex else dtype_real)
    if check:
        check_finite(arr, data, axis, what)
    return data.reshape(records, n), batch_shape, axis, is_complex


def check_finite(arr, data, axis, what):
    """Raises naming x's first sample that is not finite (data: x's slices along axis)."""
    bad = _modern.first_non_finite(data.reshape(-1))
    if bad is not None:
        where = np.unravel_index(bad, data.shape)
        index = list(where[:-1])
        index.insert(axis, where[-1])
        index = tuple(int(i) for i in index)
        raise ValueError(
            f"x[{', '.join(map(str, index))}] = {arr[index]!r} is not a finite {what}; "
            "samples must be finite"
        )


def slice_name(flat, batch_shape, axis):
    """x[i, :, j] for the record numbered flat in C order of the batch shape."""
    index = [str(int(i)) for i in np.unravel_index(flat, batch_shape)] if batch_shape else []
    index.insert(axis, ":")
    return f"x[{', '.join(index)}]"


class _Out:
    """Caller-owned batch arrays, wired into a BatchOutput64.

    The engine writes every value that is read back, so the arrays are allocated, not zeroed
    (only the coefficient rows, read up to the longest model, start at zero). grid: the width
    of a grid row (the rows hold the grid exactly, so no copy is needed to return them);
    density_only: no dB values, coefficients or peak tables.
    """

    def __init__(self, records, cap, grid=None, density_only=False):
        self.records = records
        self.cap = cap
        width = cap.grid if grid is None else grid
        self.width = width
        self.density_only = density_only
        self.freqs = np.empty(width, np.float64)
        self.psd = np.empty((records, width), np.float64)
        self.status = np.empty(records, np.int32)
        self.messages = np.empty((records, _abi.MESSAGE_CAP), np.uint8)
        self.npts = np.empty(records, np.int32)
        out = self.out = _abi.new_batch_output64()
        fp = ctypes.POINTER(ctypes.c_double)
        ip = ctypes.POINTER(ctypes.c_int32)
        out.freqs = self.freqs.ctypes.data_as(fp)
        out.psd = self.psd.ctypes.data_as(fp)
        out.grid_cap = width
        out.npts = self.npts.ctypes.data_as(ip)
        out.status = self.status.ctypes.data_as(ip)
        out.messages = self.messages.ctypes.data_as(ctypes.POINTER(ctypes.c_char))
        out.message_cap = _abi.MESSAGE_CAP
        if density_only:
            return
        self.db = np.empty((records, width), np.float64)
        self.coef = [np.zeros((records, 2 * cap.coef), np.float64) for _ in range(3)]
        self.counts = [np.empty(records, np.int32) for _ in range(3)]
        self.peaks = np.empty((records, cap.peaks, 3), np.float64)
        self.n_peaks = np.empty(records, np.int32)
        self.sig2 = np.empty(records, np.float64)
        self.iterations = np.empty(records, np.int32)
        self.akaike_status = np.empty(records, np.int32)
        self.zero_fill = np.empty(records, np.float64)
        self.t_start = np.empty(records, np.float64)
        self.t_final = np.empty(records, np.float64)
        out.db = self.db.ctypes.data_as(fp)
        out.a, out.b, out.reflection = (c.ctypes.data_as(fp) for c in self.coef)
        out.coef_cap = cap.coef
        out.n_a, out.n_b, out.n_reflection = (c.ctypes.data_as(ip) for c in self.counts)
        out.peaks = self.peaks.ctypes.data_as(fp)
        out.peak_cap = cap.peaks
        out.n_peaks = self.n_peaks.ctypes.data_as(ip)
        out.sig2 = self.sig2.ctypes.data_as(fp)
        out.iterations = self.iterations.ctypes.data_as(ip)
        out.akaike_status = self.akaike_status.ctypes.data_as(ip)
        out.zero_fill = self.zero_fill.ctypes.data_as(fp)
        out.t_start = self.t_start.ctypes.data_as(fp)
        out.t_final = self.t_final.ctypes.data_as(fp)

    def message(self, r):
        raw = self.messages[r].tobytes().split(b"\0", 1)[0]
        return raw.decode("utf-8", errors="replace").strip()

    def run(self, p, data, n, batch_shape, axis, before_failure=None):
        """Calls the batch entry; raises for the first failed slice (before_failure() first:
        the checks the call left to the engine, for their own message)."""
        from . import EstimationError

        status = _abi.lib.specest_estimate_batch64(
            ctypes.byref(p), data.ctypes.data_as(ctypes.c_void_p), self.records, n,
            ctypes.byref(self.out)
        )
        if status != _abi.SUCCESS and before_failure is not None:
            before_failure()
        if status == _abi.INVALID_ARGUMENT:
            raise RuntimeError(f"lumetra: specest_estimate_batch64 refused its arguments: "
                               f"{self.message(0)}")
        if status != _abi.SUCCESS:
            bad = np.flatnonzero(self.status != _abi.SUCCESS)
            r = int(bad[0])
            st = int(self.status[r])
            name = slice_name(r, batch_shape, axis)
            more = f" ({len(bad) - 1} more slice{'s' if len(bad) > 2 else ''} failed)" \
                if len(bad) > 1 else ""
            why = self.message(r)
            if st == _abi.ESTIMATOR_FAILURE:
                raise EstimationError(
                    f"slice {name}: {why or 'the estimator failed'}{more}", None, st)
            if st == _abi.INVALID_INPUT:
                raise ValueError(f"slice {name}: {why or 'invalid input'}{more}")
            if st == _abi.STOPPED:
                raise MemoryError(f"slice {name}: {why or 'the engine ran out of memory'}")
            raise RuntimeError(f"lumetra: slice {name}: status {st} from the engine: {why}")
        nf = self.out.n_freq
        if not 0 <= nf <= self.width or (not self.density_only and (
            (self.n_peaks > self.cap.peaks).any()
            or any((c > self.cap.coef).any() for c in self.counts)
        )):
            raise RuntimeError("lumetra: the engine reported more values than the arrays hold")
        return nf

    def grid(self, rows, nf, batch_shape, axis, dtype):
        if nf == self.width and rows.dtype == dtype:
            a = rows  # the engine's rows are the result
        else:
            a = rows[:, :nf].astype(dtype, copy=True)
        return np.moveaxis(a.reshape(batch_shape + (nf,)), -1, axis)

    def coefficients(self, k, batch_shape, is_complex, dtype):
        count = int(self.counts[k].max(initial=0))
        c = np.ascontiguousarray(self.coef[k][:, : 2 * count]).view(np.complex128)
        c = (c if is_complex else c.real).astype(dtype)
        return c.reshape(batch_shape + (count,))

    def peak_tables(self, batch_shape, columns, dtype):
        flat = [
            self.peaks[r, : self.n_peaks[r], :columns].astype(dtype, copy=True)
            for r in range(self.records)
        ]
        return _nest(flat, batch_shape)


def _nest(flat, shape):
    """A flat list in C order as nested lists of the given shape."""
    if len(shape) <= 1:
        return list(flat)
    step = len(flat) // shape[0]
    return [_nest(flat[i * step:(i + 1) * step], shape[1:]) for i in range(shape[0])]


def _capacity(query):
    cap = _abi.new_capacity()
    msg = ctypes.create_string_buffer(_abi.MESSAGE_CAP)
    status = query(cap, msg)
    if status != _abi.SUCCESS:
        raise ValueError(_abi.text(msg.value).strip() or f"the settings are not valid ({status})")
    return cap


def modern(x, method, axis, *, fs, nfft, times, window, detrend, scaling, return_onesided,
           twosided, peak_prominence, settings, density_only=False):
    """The fields of a modern estimate of every slice (see lumetra.estimate); density_only:
    freqs and psd alone (lumetra.psd)."""
    m = lookup(method)
    # The engine checks every sample it uses, on its threads; only a periodogram's nfft below
    # len(x) leaves samples unused, which must be finite all the same.
    arr = np.asarray(x)
    try:
        n_axis = arr.shape[normalize_axis(axis, arr.ndim, arr.shape)]
        early = nfft is not None and not (isinstance(nfft, (int, np.integer)) and nfft >= n_axis)
    except (TypeError, ValueError, IndexError):
        early = True  # _records names what is wrong
    data, batch_shape, axis, is_complex = _records(x, axis, np.float64, np.complex128,
                                                   "number", check=early)
    records, n = data.shape
    onesided = _modern.onesided_choice(return_onesided, twosided)
    if is_complex and onesided and (return_onesided is not None or twosided is not None):
        warnings.warn("Input data is complex, switching to return_onesided=False", stacklevel=4)
    if is_complex and m.real_only:
        raise ValueError(f"{m.short_name} needs real x; pass x.real or choose another method")
    keep = _modern._Keep()
    p = _modern.params(m, n, is_complex, fs=fs, times=times, nfft=nfft, window=window,
                       detrend=detrend, scaling=scaling, onesided=onesided,
                       peak_prominence=peak_prominence, settings=settings or {}, keep=keep)
    cap = _capacity(lambda c, msg: _abi.lib.specest_capacity64(
        ctypes.byref(p), n, ctypes.byref(c), msg, _abi.MESSAGE_CAP))
    # The capacity's grid holds nfft + 1 points; the rows need only the grid itself.
    grid = cap.grid - 1
    if onesided and not is_complex:
        grid = grid // 2 + 1
    out = _Out(records, cap, grid=grid, density_only=density_only)
    nf = out.run(p, data, n, batch_shape, axis,
                 before_failure=lambda: check_finite(
                     arr, data.reshape(batch_shape + (n,)), axis, "number"))
    if density_only:
        psd = out.grid(out.psd, nf, batch_shape, axis, np.float64)
        return dict(freqs=out.freqs[:nf], psd=psd)
    npts = int(out.npts[0])
    if times is not None:
        t = np.asarray(times, dtype=np.float64)
        t_start, t_final = float(t[0]), float(t[npts - 1])
    else:
        t_start, t_final = 0.0, (npts - 1) / float(fs)
    psd = out.grid(out.psd, nf, batch_shape, axis, np.float64)
    coef_type = np.complex128 if is_complex else np.float64
    return dict(
        profile="modern",
        method=m,
        freqs=out.freqs[:nf],
        psd=psd,
        power=psd,
        db=out.grid(out.db, nf, batch_shape, axis, np.float64),
        a=out.coefficients(0, batch_shape, is_complex, coef_type),
        b=out.coefficients(1, batch_shape, is_complex, coef_type),
        reflection=out.coefficients(2, batch_shape, is_complex, coef_type),
        sig2=out.sig2.reshape(batch_shape).copy() if m.parametric else None,
        peaks=out.peak_tables(batch_shape, 3, np.float64),
        npts=npts,
        nfft=int(out.out.nfft),
        onesided=bool(out.out.onesided),
        iterations=out.iterations.reshape(batch_shape).copy(),
        akaike_status=out.akaike_status.reshape(batch_shape).copy(),
        zero_fill=None,
        t_start=t_start,
        t_final=t_final,
        report=None,
    )


def classic(x, method, axis, *, fs, nfft, times, params):
    """The fields of a classic estimate of every slice (see lumetra.estimate)."""
    from . import _params, _times

    data, batch_shape, axis, is_complex = _records(
        x, axis, np.float32, np.complex64, "single-precision number")
    records, n = data.shape
    t = _times(times, n) if times is not None else None
    m, p = _params(n, is_complex, method, fs, t, nfft, params)
    p.profile = _abi.PROFILE_CLASSIC
    cap = _capacity(lambda c, msg: _abi.lib.specest_capacity(
        ctypes.byref(p), ctypes.byref(c), msg, _abi.MESSAGE_CAP))
    out = _Out(records, cap)
    wide = np.ascontiguousarray(data, dtype=np.complex128 if is_complex else np.float64)
    nf = out.run(p, wide, n, batch_shape, axis)
    return dict(
        profile="classic",
        method=m,
        freqs=out.freqs[:nf].astype(np.float32),
        db=out.grid(out.db, nf, batch_shape, axis, np.float32),
        power=out.grid(out.psd, nf, batch_shape, axis, np.float32),
        a=_complex64(out, 0, batch_shape),
        b=_complex64(out, 1, batch_shape),
        reflection=_complex64(out, 2, batch_shape),
        sig2=out.sig2.reshape(batch_shape).copy() if m.parametric else None,
        peaks=out.peak_tables(batch_shape, 2, np.float32),
        zero_fill=float(out.zero_fill[0]),
        npts=int(out.npts[0]),
        t_start=float(out.t_start[0]),
        t_final=float(out.t_final[0]),
        iterations=out.iterations.reshape(batch_shape).copy(),
        akaike_status=out.akaike_status.reshape(batch_shape).copy(),
        report=None,
    )


def _complex64(out, k, batch_shape):
    # The 1-D classic call gives complex64 coefficients for real data too.
    return out.coefficients(k, batch_shape, True, np.complex64)
