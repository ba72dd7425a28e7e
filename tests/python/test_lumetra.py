"""The Python package over libspecest: same bits as a job run, oracles, and clear errors."""

import ctypes
import os
import re
import subprocess
import sys
import threading

import numpy as np
import pytest
import scipy.linalg
import scipy.signal
from conftest import AR4, ar4_record, read_times, write_data, write_job

import lumetra
from lumetra import _abi


def _psd_classic(x, method, **kw):
    e = lumetra.estimate(x, method, profile="classic", **kw)
    return e.freqs, e.db


@pytest.mark.skipif("LUMETRA_ABI_LAYOUT" not in os.environ,
                    reason="LUMETRA_ABI_LAYOUT (set by CTest) names the layout program")
def test_ctypes_structs_match_the_compiled_layout():
    layout = subprocess.run(
        [os.environ["LUMETRA_ABI_LAYOUT"]], check=True, capture_output=True, text=True
    ).stdout
    c = {}
    for line in layout.splitlines():
        struct, field, value = line.split()
        c.setdefault(struct, {})[field] = int(value)
    mirrors = {
        "specest_params": _abi.Params,
        "specest_output": _abi.Output,
        "specest_output64": _abi.Output64,
        "specest_batch_output64": _abi.BatchOutput64,
        "specest_capacity_info": _abi.CapacityInfo,
        "specest_method_info": _abi.MethodInfo,
    }
    assert set(c) == set(mirrors)
    for name, mirror in mirrors.items():
        py = {f: getattr(mirror, f).offset for f, _ in mirror._fields_}
        py["sizeof"] = ctypes.sizeof(mirror)
        assert py == c[name], name


def test_every_spelling_of_a_method_selects_it_and_missing_settings_are_named():
    short = {"yule-walker", "burg", "rmle", "covariance", "modified-covariance", "mywe",
             "lsmywe", "akaike", "mayne-firoozan", "durbin", "periodogram", "blackman-tukey",
             "mvse", "lockheed"}
    assert set(lumetra.METHODS) == short
    x = np.arange(32.0)
    for m in lumetra.METHODS.values():
        for name in {m.short_name, m.engine_name, m.form_name, m.form_name.upper(),
                     m.engine_name.lower()}:
            with pytest.raises(ValueError) as err:
                _psd_classic(x, name, nfft=64, not_a_setting=1)
            assert f"{m.short_name} does not take 'not_a_setting'" in str(err.value)
        if m.required:
            with pytest.raises(ValueError, match="needs " + ".*".join(m.required)):
                _psd_classic(x, m.short_name)
        assert {"nfft", "twosided"} <= set(m.params)


# (method, complex data, two-sided, nfft, settings): between them every setting keyword.
FILE_RUNS = [
    ("burg", True, True, 512, {"order": 15}),
    ("lsmywe", False, False, 256, {"order": 4, "zeros": 2, "eps": 1e-5, "m_eqs": 60}),
    ("akaike", False, False, 256,
     {"order": 5, "zeros": 1, "eps": 1e-5, "m_eqs": 200, "nit": 20, "per": 1.0}),
    ("mayne-firoozan", True, True, 256, {"order": 8, "zeros": 4, "eps": 1e-5, "l_pts": 25}),
    ("blackman-tukey", True, False, 512, {"mode": 1, "m_lags": 24}),
    ("periodogram", False, True, 1024, {"window": "Hamming"}),
    ("mvse", True, True, 512, {"order": 20, "eps": 1e-5, "mode": 1, "l_pts": 512}),
]


@pytest.mark.parametrize("method,is_complex,twosided,nfft,settings", FILE_RUNS,
                         ids=[r[0] for r in FILE_RUNS])
def test_in_memory_estimate_equals_the_job_run_bit_for_bit(
    tmp_path, real_record, complex_record, method, is_complex, twosided, nfft, settings
):
    x = complex_record if is_complex else real_record
    data = tmp_path / "data.txt"
    write_data(data, 0.5 * np.arange(x.size), x)
    job = tmp_path / "test.job"
    write_job(job, data.name, lumetra.METHODS[method].form_name, is_complex, twosided, nfft,
              settings)

    from_file = lumetra.run_job(job, report_dir=tmp_path)
    in_memory = lumetra.estimate(x, method, profile="classic", times=read_times(data), nfft=nfft,
                                 twosided=twosided, report=True, **settings)

    assert from_file.method is lumetra.METHODS[method]
    assert from_file.freqs.size > 0
    for name in ("freqs", "db", "power", "a", "b", "reflection", "peaks"):
        assert np.array_equal(getattr(in_memory, name), getattr(from_file, name)), name
    for name in ("sig2", "zero_fill", "npts", "t_start", "t_final", "iterations",
                 "akaike_status"):
        assert getattr(in_memory, name) == getattr(from_file, name), name
    assert "Finished PSD Calculations" in in_memory.report
    assert "Finished PSD Calculations" in from_file.report
    assert (tmp_path / "~Lumetra.out").is_file()


def engine_window(n, a0, a1, a2):
    # The engine's cosine windows use i = 1..n in cos(2*pi*i/(n-1)): the textbook length-n
    # window advanced by one sample (its last weight wraps round to the textbook's second).
    theta = 2 * np.pi * np.arange(1, n + 1) / (n - 1)
    return a0 - a1 * np.cos(theta) + a2 * np.cos(2 * theta)


PERIODOGRAMS = [
    # window name and its coefficients as the engine defines them (exact Blackman; the
    # engine's three-term "Hamming")
    (False, False, "Blackman", (7938 / 18608, 9240 / 18608, 1430 / 18608)),
    (True, True, "Hamming", (0.4243801, 0.4973406, 0.0782793)),
]


@pytest.mark.parametrize("is_complex,twosided,window,coefs", PERIODOGRAMS,
                         ids=["real-onesided-blackman", "complex-twosided-hamming"])
def test_periodogram_agrees_with_scipy(is_complex, twosided, window, coefs):
    n, nfft, fs = 200, 256, 10.0
    rng = np.random.default_rng(11)
    t = np.arange(n) / fs
    x = np.cos(2 * np.pi * 1.3 * t) + 0.01 * rng.standard_normal(n)
    if is_complex:
        x = np.exp(2j * np.pi * -2.1 * t) + 0.5 * x
    x = x.astype(np.complex64 if is_complex else np.float32)

    est = lumetra.estimate(x, "periodogram", profile="classic", fs=fs, nfft=nfft, window=window,
                           twosided=twosided)

    w = engine_window(n, *coefs)
    f, p = scipy.signal.periodogram(x.astype(np.complex128), fs=fs, window=w, nfft=nfft,
                                    detrend=False, return_onesided=False, scaling="spectrum")
    f, p = np.fft.fftshift(f), np.fft.fftshift(p)  # -nfft/2 .. nfft/2 - 1
    # scipy scales |X|^2 by 1/sum(w)^2; the engine divides by n whatever the window.
    p = p * w.sum() ** 2 / n
    # Two-sided: the engine drops the top bin; one-sided: bins 0 .. nfft/2 - 1 only.
    keep = slice(0, nfft - 1) if twosided else slice(nfft // 2, nfft)
    f, p = f[keep], p[keep]

    np.testing.assert_allclose(est.freqs, f, rtol=1e-6, atol=1e-6 * fs)
    # float32 FFT: errors scale with the largest bin, not with each bin.
    tol = 2e-5 * p.max()
    np.testing.assert_allclose(est.power, p, rtol=0, atol=tol)
    # The engine's dB: 20*log10 of the power relative to its maximum, floored at 1e-5.
    ratio = 10.0 ** (est.db.astype(np.float64) / 20.0)
    np.testing.assert_allclose(ratio, np.maximum(p / p.max(), 1e-5), rtol=0, atol=2e-5)
    assert est.db.max() == 0.0 and est.db.min() >= -100.0


def test_burg_recovers_an_ar4_model():
    seed = int(os.environ.get("LUMETRA_TEST_SEED", np.random.SeedSequence().entropy % 2**32))
    print(f"seed {seed} (set LUMETRA_TEST_SEED to repeat)")
    n = 4096
    x = ar4_record(n, np.random.default_rng(seed))

    est = lumetra.estimate(x, "burg", profile="classic", order=4, nfft=4096)

    # Asymptotic covariance of AR estimates: sig2 * R^-1 / n, with R the 4x4 autocovariance
    # of the true process (from its impulse response, which decays well within 20000 steps).
    h = scipy.signal.lfilter([1.0], AR4, np.r_[1.0, np.zeros(19999)])
    r = np.array([h[: h.size - k] @ h[k:] for k in range(4)])
    sd = np.sqrt(np.diag(np.linalg.inv(scipy.linalg.toeplitz(r))) / n)
    assert np.all(est.a.imag == 0), "real data give a real model"
    z = (est.a.real - AR4[1:]) / sd
    print("a", est.a.real, "standard scores", z)
    assert np.all(np.abs(z) < 5)
    # sample variance of unit white noise: standard deviation sqrt(2 / n)
    assert abs(est.sig2 - 1.0) < 5 * np.sqrt(2 / n)
    # The two largest peaks of the table lie within half a 3-dB bandwidth, (1 - |pole|) / pi,
    # of the true model's maxima.
    true_gain = 1 / np.abs(np.polyval(AR4, np.exp(2j * np.pi * est.freqs)))
    true_peaks = est.freqs[scipy.signal.argrelmax(true_gain)[0]]
    half_width = (1 - np.abs(np.roots(AR4)).max()) / (2 * np.pi)
    top = est.peaks[np.argsort(est.peaks[:, 1])[-2:], 0]
    assert np.allclose(np.sort(top), np.sort(true_peaks), atol=half_width), (top, true_peaks)


def _bad_job(tmp_path, real_record):
    data = tmp_path / "d.txt"
    write_data(data, np.arange(100), real_record[:100])
    write_job(tmp_path / "bad.job", data.name, "Blackman-Tukey", False, False, 128,
              {"mode": 1, "m_lags": 50})
    return lumetra.run_job(tmp_path / "bad.job", report_dir=tmp_path)


def _with(x, i, value):
    y = np.array(x)
    y[i] = value
    return y


# (what, call, pattern the message must match)
BAD_INPUT = [
    ("unknown method", lambda x, c, d: _psd_classic(x, "max-entropy", order=4),
     r"unknown method 'max-entropy'.*burg"),
    ("keyword the method does not use", lambda x, c, d: _psd_classic(x, "Burg", order=4, zeros=2),
     r"burg does not take 'zeros'; it takes nfft, twosided, order"),
    ("missing setting", lambda x, c, d: _psd_classic(x, "lsmywe", order=4, zeros=2, eps=1e-5),
     r"lsmywe needs m_eqs"),
    ("order out of range (engine)", lambda x, c, d: _psd_classic(x, "burg", order=500),
     r"(?i)\border\b|npoles"),
    ("m_lags out of range (engine)",
     lambda x, c, d: _psd_classic(x[:100], "blackman-tukey", mode=1, m_lags=50),
     r"(?i)m_lags"),
    ("complex data for a real-only method (engine)", lambda x, c, d: _psd_classic(c, "rmle", order=4),
     r"(?i)real"),
    ("unknown window (engine)",
     lambda x, c, d: _psd_classic(x, "periodogram", window="Bartlett"), r"(?i)window"),
    ("order not an integer", lambda x, c, d: _psd_classic(x, "burg", order=4.5),
     r"order=4\.5: order must be an integer"),
    ("NaN sample", lambda x, c, d: _psd_classic(_with(x, 17, np.nan), "burg", order=4),
     r"x\[17\] = .*nan.* not a finite"),
    ("infinite complex sample",
     lambda x, c, d: _psd_classic(_with(c, 3, complex(np.inf, 0)), "burg", order=4),
     r"x\[3\] .* not a finite"),
    ("empty x", lambda x, c, d: _psd_classic([], "burg", order=4), r"x is empty"),
    # Two-dimensional x is a batch of slices now; an axis it lacks is the error.
    ("two-dimensional x, axis out of range",
     lambda x, c, d: _psd_classic(x.reshape(16, -1), "burg", order=4, axis=2),
     r"axis=2 is out of range for x with 2 dimensions \(shape \(16, 16\)\)"),
    ("nfft below len(x)", lambda x, c, d: _psd_classic(x, "burg", order=4, nfft=100),
     r"nfft=100 is smaller than len\(x\)=256"),
    ("times of the wrong length", lambda x, c, d: _psd_classic(x, "burg", order=4, times=[0, 1]),
     r"times must be 256 real numbers"),
    ("fs not positive", lambda x, c, d: _psd_classic(x, "burg", order=4, fs=0), r"fs=0"),
    ("job out of range (engine stop text)", lambda x, c, d: _bad_job(d, x), r"(?i)m_lags"),
]


def _rows(table):
    """pytest params from (id, call, pattern) rows, keeping the marks of pytest.param rows."""
    for row in table:
        if not hasattr(row, "marks"):  # a plain tuple row
            row = pytest.param(*row)
        (name, *values), marks = row.values, row.marks
        yield pytest.param(*values, id=name, marks=marks)


@pytest.mark.parametrize("call,pattern", list(_rows(BAD_INPUT)))
def test_bad_input_raises_value_error_naming_the_problem(
    tmp_path, real_record, complex_record, call, pattern
):
    with pytest.raises(ValueError) as err:
        call(real_record, complex_record, tmp_path)
    assert re.search(pattern, str(err.value)), str(err.value)


def test_estimator_failure_raises_estimation_error_with_the_report(tmp_path, real_record):
    # No Cholesky pivot of the covariance method exceeds an eps this large.
    settings = {"order": 4, "eps": 1e30}
    with pytest.raises(lumetra.EstimationError) as err:
        lumetra.estimate(real_record, "covariance", profile="classic", **settings)
    assert err.value.message and str(err.value) == err.value.message
    assert "No Plot" in err.value.report and "IFLAG" in err.value.report

    data = tmp_path / "data.txt"
    write_data(data, np.arange(real_record.size), real_record)
    write_job(tmp_path / "fail.job", data.name, "Covariance", False, False, 256, settings)
    with pytest.raises(lumetra.EstimationError) as from_file:
        lumetra.run_job(tmp_path / "fail.job", report_dir=tmp_path)
    assert "No Plot" in from_file.value.report


# Each process computes the periodogram at FFT lengths 2^12 .. 2^20, twice each: the first
# calls at a new length are where threads can meet in shared engine state.
THREADS_SCRIPT = """
import sys, concurrent.futures, numpy as np, lumetra
x = np.random.default_rng(3).standard_normal(4096).astype(np.float32)
sizes = [1 << k for k in range(12, 21) for _ in range(2)]
def run(n):
    return lumetra.estimate(x, "periodogram", profile="classic", nfft=n).db
if sys.argv[1] == "serial":
    res = [run(n) for n in sizes]
else:
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        res = list(pool.map(run, sizes))
np.save(sys.argv[2], np.concatenate(res))
"""


def test_threads_give_the_serial_results_bit_for_bit(tmp_path):
    def fresh_process(mode):
        out = tmp_path / f"{mode}.npy"
        run = subprocess.run([sys.executable, "-c", THREADS_SCRIPT, mode, str(out)],
                             capture_output=True, text=True)
        assert run.returncode == 0, f"{mode} run failed:\n{run.stderr[-1500:]}"
        return np.load(out)

    serial = fresh_process("serial")
    for attempt in range(4):  # a race shows in some processes, not all
        threaded = fresh_process("threads")
        assert np.array_equal(threaded, serial), (
            f"attempt {attempt}: {np.count_nonzero(threaded != serial)} values differ"
        )


def test_an_estimate_lets_other_python_threads_run(monkeypatch):
    # Threads run estimates side by side only if the engine call gives up the GIL. With a
    # long switch interval a waiting thread gets the GIL only when the holder releases it:
    # the main thread, woken as the worker enters the engine, marks `seen` during the call
    # only if the call released the GIL. (Throughput on two threads: bench/.)
    x = np.random.default_rng(5).standard_normal(16384).astype(np.float32)
    engine = _abi.lib.specest_estimate
    calling = threading.Event()
    seen = []
    seen_during_call = []

    def watched_engine(*args):
        calling.set()
        status = engine(*args)
        seen_during_call.append(bool(seen))
        return status

    monkeypatch.setattr(_abi.lib, "specest_estimate", watched_engine)
    interval = sys.getswitchinterval()
    sys.setswitchinterval(100.0)
    try:
        for _ in range(3):  # a machine too busy to wake the main thread in time retries
            calling.clear()
            seen.clear()
            worker = threading.Thread(
                target=lumetra.estimate, args=(x, "modified-covariance"),
                kwargs={"order": 200, "eps": 0.0, "profile": "classic"})
            worker.start()
            calling.wait()
            seen.append(True)
            worker.join()
            if seen_during_call[-1]:
                break
    finally:
        sys.setswitchinterval(interval)
    assert seen_during_call[-1], f"the engine call held the GIL in {len(seen_during_call)} runs"
