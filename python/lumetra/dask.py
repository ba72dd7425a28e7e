"""Spectra of Dask arrays: every chunk estimated by one task, on any Dask scheduler.

    >>> import dask.array as da, lumetra.dask
    >>> x = da.random.standard_normal((1000, 4096), chunks=(100, 4096))
    >>> f, pxx = lumetra.dask.psd(x, "burg", order=30, fs=512.0)   # pxx is lazy
    >>> pxx.compute()

Dask is optional: ``import lumetra`` works without it; this module needs dask.array (and a
``distributed`` cluster only when you use one).
"""

import functools

import numpy as np

import lumetra
from . import _batch

try:
    import dask.array as _da
except ImportError as err:  # pragma: no cover - depends on the installation
    raise ImportError(
        "lumetra.dask needs Dask (Debian: python3-dask, python3-distributed; "
        "pip: dask[array] distributed)"
    ) from err

__all__ = ["psd"]


def _block_psd(block, method, axis, keywords):
    return lumetra.psd(block, method, axis=axis, **keywords)[1]


def psd(darr, method="periodogram", *, axis=-1, **keywords):
    """(f, Pxx) of every 1-D slice of the dask array darr along axis, as lumetra.psd.

    f is a numpy array; Pxx a lazy dask.array with darr's chunks, the frequency axis in
    place of axis, and one task per chunk (each chunk is one call of lumetra.psd, its slices
    on the worker's threads). The whole axis must lie in one chunk. The keywords are
    lumetra.psd's (fs, nfft, window, detrend, scaling, return_onesided and the method's
    settings); every slice's result has the bits of the 1-D call.
    """
    if not isinstance(darr, _da.Array):
        raise TypeError(f"darr must be a dask.array.Array, not {type(darr).__name__}; "
                        "use lumetra.psd for numpy arrays")
    if darr.ndim == 0:
        raise ValueError("darr must have at least one dimension")
    axis = _batch.normalize_axis(axis, darr.ndim, darr.shape)
    if any(np.isnan(c) for c in darr.chunks[axis]):
        raise ValueError(f"darr's length along axis {axis} is unknown; call "
                         "darr.compute_chunk_sizes() first")
    n = int(darr.shape[axis])
    if n == 0:
        raise ValueError(f"darr has no samples along axis {axis} (shape {darr.shape})")
    if len(darr.chunks[axis]) != 1:
        raise ValueError(
            f"axis {axis} of darr is split into {len(darr.chunks[axis])} chunks "
            f"{darr.chunks[axis]}; every slice must lie in one chunk: pass "
            f"darr.rechunk({{{axis}: -1}}) (Dask then moves the data; choose the other axes' "
            "chunks so each chunk still fits in a worker's memory)"
        )
    if darr.dtype.kind not in "biufc":
        raise TypeError(f"darr must hold numbers; got dtype {darr.dtype}")
    # The grid depends on the length and the settings only: one slice of noise gives it (and
    # checks the keywords before any task runs).
    rng = np.random.default_rng(0)
    probe = rng.standard_normal(n)
    if darr.dtype.kind == "c":
        probe = probe + 1j * rng.standard_normal(n)
    try:
        f, _ = lumetra.psd(probe, method, **keywords)
    except lumetra.EstimationError:
        # The method failed on noise: the data's own first slice gives the grid.
        first = darr[tuple(slice(None) if d == axis else 0 for d in range(darr.ndim))]
        f, _ = lumetra.psd(np.asarray(first.compute()), method, **keywords)
    chunks = list(darr.chunks)
    chunks[axis] = (len(f),)
    fn = functools.partial(_block_psd, method=method, axis=axis, keywords=keywords)
    pxx = darr.map_blocks(fn, chunks=tuple(chunks), dtype=np.float64,
                          meta=np.empty((0,) * darr.ndim, np.float64),
                          token="lumetra-psd")
    return f, pxx
