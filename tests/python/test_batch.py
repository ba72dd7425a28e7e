"""N-dimensional input: every slice has the bits of its 1-D call; Dask chunks likewise."""

import os
import subprocess
import sys

import numpy as np
import pytest

import lumetra
from conftest import ar4_record

SETTINGS = [
    ("burg", dict(order=8)),
    ("periodogram", dict(window="hann")),
    ("modified-covariance", dict(order=6)),
    ("blackman-tukey", dict(m_lags=20)),
]
CLASSIC = [
    ("burg", dict(order=8)),
    ("periodogram", dict(window="Hanning")),
    ("yule-walker", dict(order=5)),
]


def _random_case(rng):
    ndim = int(rng.integers(2, 5))
    shape = tuple(int(s) for s in rng.integers(1, 4, size=ndim))
    axis = int(rng.integers(-ndim, ndim))
    shape = list(shape)
    shape[axis] = int(rng.integers(40, 200))
    x = rng.standard_normal(shape)
    return x, axis


def _slices(x, axis):
    moved = np.moveaxis(x, axis, -1)
    for index in np.ndindex(moved.shape[:-1]):
        yield index, moved[index]


def _same(a, b):
    a, b = np.asarray(a), np.asarray(b)
    return a.dtype == b.dtype and a.shape == b.shape and a.tobytes() == b.tobytes()


@pytest.mark.parametrize("profile,method,kw",
                         [("modern",) + s for s in SETTINGS] + [("classic",) + s for s in CLASSIC])
def test_every_slice_has_the_bits_of_its_1d_call(profile, method, kw):
    rng = np.random.default_rng([len(profile), len(method), 19])
    for _ in range(4):
        x, axis = _random_case(rng)
        if profile == "classic" and x.shape[axis] > 128:
            kw = dict(kw, nfft=256)
        e = lumetra.estimate(x, method, profile=profile, axis=axis, fs=2.0, **kw)
        moved_db = np.moveaxis(e.db, axis, -1)
        moved_power = np.moveaxis(e.power, axis, -1)
        assert e.db.shape[:axis % x.ndim] == x.shape[:axis % x.ndim]
        for index, record in _slices(x, axis):
            one = lumetra.estimate(record, method, profile=profile, fs=2.0, **kw)
            assert _same(one.freqs, e.freqs)
            assert _same(one.db, moved_db[index]), (index, axis, x.shape)
            assert _same(one.power, moved_power[index])
            for field in ("a", "b", "reflection"):
                assert _same(getattr(one, field), getattr(e, field)[index]), field
            peaks = e.peaks
            for i in index:
                peaks = peaks[i]
            assert _same(one.peaks, peaks)
            if one.sig2 is not None:
                assert one.sig2 == e.sig2[index]
            assert one.iterations == e.iterations[index]
            assert (one.npts, one.t_start, one.t_final, one.zero_fill) == (
                e.npts, e.t_start, e.t_final, e.zero_fill)


@pytest.mark.parametrize("method,kw", SETTINGS)
def test_psd_slices_are_the_1d_psd_and_the_estimates_density(method, kw):
    # psd() on slices asks the engine for the densities alone, into one array it writes in
    # place: the same bits as the 1-D psd() and as estimate()'s psd of the same slices.
    rng = np.random.default_rng([len(method), 5])
    for _ in range(3):
        x, axis = _random_case(rng)
        f, p = lumetra.psd(x, method, axis=axis, fs=3.0, **kw)
        e = lumetra.estimate(x, method, axis=axis, fs=3.0, **kw)
        assert _same(f, e.freqs) and _same(p, e.psd)
        moved = np.moveaxis(p, axis, -1)
        assert moved.flags.c_contiguous  # the engine's rows, not a copy
        for index, record in _slices(x, axis):
            f1, p1 = lumetra.psd(record, method, fs=3.0, **kw)
            assert _same(f1, f) and _same(p1, moved[index]), (index, axis, x.shape)


def test_psd_of_complex_slices_and_pandas_columns():
    rng = np.random.default_rng(7)
    z = rng.standard_normal((3, 100)) + 1j * rng.standard_normal((3, 100))
    f, p = lumetra.psd(z, "burg", order=4, axis=1)
    for i in range(3):
        f1, p1 = lumetra.psd(z[i], "burg", order=4)
        assert _same(f1, f) and _same(p1, p[i])
    pd = pytest.importorskip("pandas")
    df = pd.DataFrame({"a": ar4_record(300, rng), "b": ar4_record(300, rng)})
    f, p = lumetra.psd(df, "burg", order=4, axis=0)
    assert p.shape == (len(f), 2)
    for j, name in enumerate(df.columns):
        assert _same(lumetra.psd(df[name], "burg", order=4)[1], p[:, j])


@pytest.mark.parametrize("profile", ["modern", "classic"])
def test_times_apply_to_every_slice(profile):
    rng = np.random.default_rng(11)
    x = rng.standard_normal((2, 128, 3))
    t = np.cumsum(np.full(128, 0.125))
    e = lumetra.estimate(x, "burg", order=6, times=t, axis=1, profile=profile)
    for i in range(2):
        for j in range(3):
            one = lumetra.estimate(x[i, :, j], "burg", order=6, times=t, profile=profile)
            assert _same(one.freqs, e.freqs)
            assert _same(one.power, e.power[i, :, j])
            assert (one.t_start, one.t_final) == (e.t_start, e.t_final)


def test_bad_axis_empty_axis_and_failed_slice_are_named():
    x = np.ones((4, 512))
    with pytest.raises(ValueError, match=r"axis=2 is out of range for x with 2 dimensions"):
        lumetra.psd(x, axis=2)
    with pytest.raises(ValueError, match=r"axis=-2 is out of range for x with 1 dimension"):
        lumetra.psd(x[0], axis=-2)
    with pytest.raises(TypeError, match="axis must be an integer"):
        lumetra.psd(x, axis=1.0)
    with pytest.raises(ValueError, match=r"no samples along axis 1 \(shape \(4, 0\)\)"):
        lumetra.psd(np.ones((4, 0)))
    with pytest.raises(ValueError, match=r"no slices along axis 1"):
        lumetra.psd(np.ones((0, 16)))
    y = np.random.default_rng(3).standard_normal((2, 3, 64))
    y[1, 2, 5] = np.nan
    with pytest.raises(ValueError, match=r"x\[1, 2, 5\] = nan is not a finite"):
        lumetra.psd(y, "burg", order=4)
    # A constant slice has no AR model: that slice, and no other, is named.
    y[1, 2, 5] = 0.0
    y[1, 1, :] = 0.0
    with pytest.raises(lumetra.EstimationError, match=r"slice x\[1, 1, :\]") as err:
        lumetra.psd(y, "burg", order=4)
    with pytest.raises(lumetra.EstimationError) as one:
        lumetra.psd(y[1, 1], "burg", order=4)
    assert one.value.message in err.value.message
    with pytest.raises(ValueError, match="report=True needs one-dimensional x"):
        lumetra.estimate(y, "burg", order=4, report=True)


@pytest.mark.parametrize("where,axis,method,kw", [
    ((0, 3, 1), 1, "burg", dict(order=4)),          # the engine finds it, on its threads
    ((1, 60, 0), 1, "periodogram", dict(nfft=32)),  # in samples a short nfft leaves unused
    ((1, 2, 7), -1, "modified-covariance", dict(order=3)),
])
def test_a_non_finite_sample_is_named_by_its_index_in_x(where, axis, method, kw):
    x = np.random.default_rng(8).standard_normal((2, 64, 3) if axis == 1 else (2, 3, 64))
    x[0, 0, :] = 0.0  # fails Burg on its own, yet the bad sample is what is named
    x[where] = np.inf
    index = ", ".join(map(str, where))
    with pytest.raises(ValueError, match=rf"x\[{index}\] = inf is not a finite number"):
        lumetra.psd(x, method, axis=axis, **kw)


def test_a_forked_child_runs_batches_and_the_parent_keeps_its_threads():
    # The engine keeps its batch threads between calls; a child forked after a batch has none
    # of them and must still finish (with the same bits), as must the parent afterwards.
    probe = """
import os, signal, numpy as np, lumetra
x = np.random.default_rng(1).standard_normal((16, 4096))
p = lumetra.psd(x, "burg", order=10)[1]
pid = os.fork()
if pid == 0:
    signal.alarm(60)
    os._exit(0 if lumetra.psd(x, "burg", order=10)[1].tobytes() == p.tobytes() else 3)
code = os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])
print(code, lumetra.psd(x, "burg", order=10)[1].tobytes() == p.tobytes())
"""
    env = dict(os.environ, SPECEST_THREADS="3")
    out = subprocess.run([sys.executable, "-c", probe], check=True, capture_output=True,
                         text=True, env=env, timeout=120).stdout.split()
    assert out == ["0", "True"]


def test_dask_is_optional_and_refuses_a_split_axis():
    # Importing lumetra loads no Dask: it works where Dask is not installed.
    probe = "import sys, lumetra; print(any(m.split('.')[0] == 'dask' for m in sys.modules))"
    assert subprocess.run([sys.executable, "-c", probe], check=True, capture_output=True,
                          text=True).stdout.strip() == "False"
    da = pytest.importorskip("dask.array")
    import lumetra.dask

    x = da.zeros((4, 100), chunks=(2, 50))
    with pytest.raises(ValueError, match=r"darr.rechunk\(\{1: -1\}\)"):
        lumetra.dask.psd(x, "burg", order=4)
    with pytest.raises(TypeError, match="dask.array"):
        lumetra.dask.psd(np.zeros((2, 8)))


def test_dask_on_a_local_cluster_gives_the_numpy_batch_bits():
    da = pytest.importorskip("dask.array")
    distributed = pytest.importorskip("distributed")
    import lumetra.dask

    rng = np.random.default_rng(32)
    x = np.stack([ar4_record(4096, rng) for _ in range(32)])
    darr = da.from_array(x, chunks=(8, 4096))
    f, lazy = lumetra.dask.psd(darr, "burg", order=30, fs=100.0)
    assert lazy.numblocks == (4, 1)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster):
            pxx = lazy.compute()
    f_np, pxx_np = lumetra.psd(x, "burg", order=30, fs=100.0)
    assert _same(f, f_np)
    assert _same(pxx, pxx_np)
