"""The modern profile against float64 oracles: scipy, statsmodels, numpy least squares."""

import threading

import numpy as np
import pytest
import scipy.signal
from conftest import AR4, ar4_record

import lumetra

import statsmodels.regression.linear_model  # noqa: F401  (tools/install-deps.sh installs it)


def seeded(seed):
    print(f"seed {seed}")
    return np.random.default_rng(seed)


@pytest.mark.parametrize("window", ["boxcar", "hann", "hamming", "blackman", "bartlett", "triang"])
@pytest.mark.parametrize("n, nfft", [(300, None), (300, 1000), (301, 999), (500, 250)])
def test_periodogram_is_scipys(window, n, nfft):
    rng = seeded(n + (nfft or 0))
    x = 3.0 + np.cumsum(rng.standard_normal(n)) * 0.1 + rng.standard_normal(n)
    for fs in (1.0, 250.0):
        for onesided in (True, False):
            for scaling in ("density", "spectrum"):
                for detrend in ("constant", "linear", False):
                    f, p = lumetra.psd(x, fs=fs, nfft=nfft, window=window, detrend=detrend,
                                       scaling=scaling, return_onesided=onesided)
                    f0, p0 = scipy.signal.periodogram(x, fs=fs, nfft=nfft, window=window,
                                                      detrend=detrend, scaling=scaling,
                                                      return_onesided=onesided)
                    case = (fs, onesided, scaling, detrend)
                    assert np.array_equal(f, f0), case  # numpy's fftfreq, bit for bit
                    assert np.max(np.abs(p - p0)) <= 1e-10 * p0.max(), case


def test_periodogram_of_complex_input_is_two_sided_and_says_so():
    rng = seeded(7)
    t = np.arange(400)
    x = np.exp(-2j * np.pi * 0.2 * t) + 0.1 * (rng.standard_normal(400) + 1j * rng.standard_normal(400))
    with pytest.warns(UserWarning, match="complex"):
        f, p = lumetra.psd(x, return_onesided=True)
    f0, p0 = scipy.signal.periodogram(x, return_onesided=False)
    assert np.array_equal(f, f0)
    assert np.max(np.abs(p - p0)) <= 1e-10 * p0.max()
    assert abs(f[np.argmax(p)] + 0.2) < 1e-12  # the tone at -0.2 is there


def test_parseval_and_the_density_level_of_white_noise():
    rng = seeded(11)
    x = rng.standard_normal(4096) * 2.0 + 1.0
    f, p = lumetra.psd(x, fs=10.0)
    d = x - x.mean()
    assert np.isclose(np.sum(p) * (f[1] - f[0]), np.mean(d * d), rtol=1e-12)
    # Every estimator reads white noise at its true level, 2 sigma^2 / fs one-sided.
    level = 2 * 4.0 / 10.0
    for method, kw in [("burg", dict(order=10)), ("yule-walker", dict(order=10)),
                       ("mvse", dict(order=10)), ("blackman-tukey", {}),
                       ("covariance", dict(order=10)), ("lockheed", dict(order=2, zeros=2))]:
        _, pm = lumetra.psd(x, method, fs=10.0, **kw)
        assert abs(np.mean(pm[1:-1]) / level - 1) < 0.1, method


def burg_sigma2(x, order):
    """Float64 Burg recursion: rho_k = rho_(k-1) (1 - |k_k|^2), rho_0 = mean |x|^2."""
    f, b = x[1:].copy(), x[:-1].copy()
    rho = np.mean(np.abs(x) ** 2)
    for _ in range(order):
        k = -2 * np.dot(f, np.conj(b)) / (np.dot(f, np.conj(f)) + np.dot(b, np.conj(b)))
        rho *= 1 - abs(k) ** 2
        f, b = (f + k * b)[1:], (b + np.conj(k) * f)[:-1]
    return rho


def test_burg_and_yule_walker_agree_with_statsmodels():
    from statsmodels.regression.linear_model import burg, yule_walker

    x = ar4_record(4000, seeded(3))
    for order in (2, 4, 8, 20):
        e = lumetra.estimate(x, "burg", order=order, detrend=False)
        coef, _ = burg(x, order=order, demean=False)
        assert np.max(np.abs(-e.a - coef)) < 1e-9, order
        assert abs(e.sig2 / burg_sigma2(x, order) - 1) < 1e-9, order
        e = lumetra.estimate(x, "yule-walker", order=order, detrend=False)
        rho, sigma = yule_walker(x, order=order, method="mle", demean=False)
        assert np.max(np.abs(-e.a - rho)) < 1e-9, order
        assert abs(e.sig2 / sigma**2 - 1) < 1e-9, order


@pytest.mark.parametrize("order", [2, 8, 20, 40])
def test_covariance_methods_are_least_squares(order):
    x = ar4_record(3000, seeded(order))
    n = x.size
    # forward: x[t] + sum a_k x[t-k] = e[t], t = order .. n-1
    rows = np.array([x[t - 1::-1][:order] for t in range(order, n)])
    target = x[order:]
    a_f, *_ = np.linalg.lstsq(rows, -target, rcond=None)
    e = lumetra.estimate(x, "covariance", order=order, detrend=False)
    assert np.max(np.abs(e.a - a_f)) <= 1e-9 * max(1, np.max(np.abs(a_f)))
    # forward-backward: also x[t] + sum a_k x[t+k] = e[t], t = 0 .. n-1-order
    back = np.array([x[t + 1:t + 1 + order] for t in range(0, n - order)])
    a_fb, *_ = np.linalg.lstsq(np.vstack([rows, back]),
                               -np.concatenate([target, x[:n - order]]), rcond=None)
    e = lumetra.estimate(x, "modified-covariance", order=order, detrend=False)
    assert np.max(np.abs(e.a - a_fb)) <= 1e-9 * max(1, np.max(np.abs(a_fb)))


def true_db(b, a, f):
    _, h = scipy.signal.freqz(b, a, worN=2 * np.pi * f)
    return 10 * np.log10(2 * np.abs(h) ** 2)


# ARMA(2,2): poles at radius 0.9 (f = 0.2), zeros at radius 0.8 (f = 0.35); MA(2): zeros only.
ARMA_A = np.poly([0.9 * np.exp(2j * np.pi * 0.2), 0.9 * np.exp(-2j * np.pi * 0.2)]).real
ARMA_B = np.poly([0.8 * np.exp(2j * np.pi * 0.35), 0.8 * np.exp(-2j * np.pi * 0.35)]).real


@pytest.mark.parametrize("method, kw, b, a, tol_db", [
    ("mywe", dict(order=2, zeros=2), ARMA_B, ARMA_A, 2.0),
    ("lsmywe", dict(order=2, zeros=2, m_eqs=20), ARMA_B, ARMA_A, 2.0),
    ("akaike", dict(order=2, zeros=2, m_eqs=20), ARMA_B, ARMA_A, 1.5),
    ("mayne-firoozan", dict(order=2, zeros=2, l_pts=40), ARMA_B, ARMA_A, 1.5),
    ("durbin", dict(zeros=2, l_pts=40), ARMA_B, [1.0], 1.5),
])
def test_arma_and_ma_methods_follow_the_true_spectrum(method, kw, b, a, tol_db):
    rng = seeded(2026)
    e = rng.standard_normal(22000)
    x = scipy.signal.lfilter(b, a, e)[2000:]
    est = lumetra.estimate(x, method, **kw)
    inside = (est.freqs > 0.02) & (est.freqs < 0.48)
    err = np.abs(est.db[inside] - true_db(b, a, est.freqs[inside]))
    assert err.max() < tol_db, f"{method}: {err.max():.2f} dB"
    if method == "mayne-firoozan":
        assert np.max(np.abs(est.b - b[1:])) < 0.1  # its MA part is returned


def test_no_fixed_caps():
    rng = seeded(5)
    x = ar4_record(50000, rng)
    e = lumetra.estimate(x, "burg", order=400)
    assert e.a.size == 400 and np.isfinite(e.psd).all()
    y = ar4_record(20000, rng)
    for method in ("mywe", "lsmywe", "akaike"):
        est = lumetra.estimate(y, method, order=4, zeros=1)
        peak = est.peaks[0, 0]
        assert abs(peak - 0.11) < 0.01 or abs(peak - 0.14) < 0.01, method


def test_db_peaks_and_keywords():
    rng = seeded(9)
    t = np.arange(2048)
    x = np.sin(2 * np.pi * 0.1 * t) + 0.5 * np.sin(2 * np.pi * 0.3 * t) + 0.01 * rng.standard_normal(2048)
    e = lumetra.estimate(x, "periodogram", window="hann")
    assert np.isfinite(e.db).all()
    assert np.allclose(e.db, 10 * np.log10(e.psd))
    assert e.peaks.shape[1] == 3
    assert np.allclose(e.peaks[:2, 0], [0.1, 0.3], atol=1e-3)  # strongest first
    assert np.all(np.diff(e.peaks[:, 2]) <= 0) and np.all(e.peaks[:, 2] >= 3.0)
    zero = lumetra.estimate(np.zeros(64), "periodogram")
    assert np.isfinite(zero.db).all() and zero.db.min() > -3100
    with pytest.raises(TypeError, match="order"):
        lumetra.estimate(x, "burg", order=4.5)
    with pytest.raises(TypeError, match="return_onesided"):
        lumetra.psd(x, return_onesided=True, twosided=False)
    with pytest.raises(ValueError, match="order=5000"):
        lumetra.estimate(x, "burg", order=5000)
    with pytest.raises(ValueError, match=r"x\[5\]"):
        y = x.copy()
        y[5] = 2e10
        lumetra.estimate(y, "burg", order=4)
    with pytest.raises(ValueError, match="window"):
        lumetra.psd(x, window="kaiserish")


def test_classic_profile_is_the_job_result_and_modern_is_deterministic():
    x = ar4_record(1024, seeded(1))
    classic = lumetra.estimate(x.astype(np.float32), "burg", profile="classic", order=4,
                               nfft=1024)
    assert classic.db.dtype == np.float32 and classic.db.max() == 0.0
    runs = [lumetra.estimate(x, "modified-covariance", order=12).psd for _ in range(3)]
    assert all(np.array_equal(r, runs[0]) for r in runs)


def test_classic_arrays_scale_warn_and_keep_double_times():
    x = ar4_record(256, seeded(21)).astype(np.float32)
    base = lumetra.estimate(x, "periodogram", profile="classic", nfft=256)
    # A power-of-two scale changes no relative dB; the power is the scaled one where it fits.
    tiny = lumetra.estimate(np.ldexp(x, -80), "periodogram", profile="classic", nfft=256)
    assert np.array_equal(tiny.db, base.db) and np.isfinite(tiny.db).all()
    assert np.array_equal(tiny.power, np.ldexp(base.power, -160).astype(np.float32))
    burg = lumetra.estimate(x, "burg", profile="classic", order=4, nfft=256)
    small = lumetra.estimate(np.ldexp(x, -70), "burg", profile="classic", order=4, nfft=256)
    assert np.array_equal(small.db, burg.db) and np.array_equal(small.a, burg.a)
    for scale in (1e-23, 1e-30):  # once -inf dB, or a flat -100 dB "success"
        e = lumetra.estimate(x * np.float32(scale), "blackman-tukey", profile="classic",
                             nfft=256, mode=1, m_lags=20)
        ref = lumetra.estimate(x, "blackman-tukey", profile="classic", nfft=256, mode=1, m_lags=20)
        assert np.isfinite(e.db).all() and np.max(np.abs(e.db - ref.db)) < 1e-3
    # Samples above 1e10 are zeroed as job files do, and said so.
    y = x.copy()
    y[5] = 2e10
    with pytest.warns(UserWarning, match=r"1 sample.*indices from 0: 5\)"):
        lumetra.estimate(y, "burg", profile="classic", order=4, nfft=256)
    # Unix timestamps give their step in double precision.
    t = 1.7e9 + np.arange(256) * 0.01
    e = lumetra.estimate(x, "burg", profile="classic", order=4, nfft=256, times=t)
    assert abs(e.freqs[-1] - 50.0 * 127 / 128) < 1e-4
    # The classic limits say what they are.
    long = ar4_record(3000, seeded(22)).astype(np.float32)
    with pytest.raises(ValueError, match=r"npts/5 = 600 exceeds the classic limit of 411.*2059"):
        lumetra.estimate(long, "mywe", profile="classic", order=2, zeros=2, eps=0.0, nfft=4096)


def test_a_job_in_the_modern_profile_is_the_array_estimate(tmp_path):
    from conftest import write_data, write_job

    x = ar4_record(300, seeded(31)).astype(np.float32)
    t = (np.arange(300) * 0.004).astype(np.float32)  # 250 Hz
    write_data(tmp_path / "rec.txt", t, x)
    write_job(tmp_path / "job.0", "rec.txt", "Periodogram", False, False, 500, {"window": "Hanning"})
    job = lumetra.run_job(tmp_path / "job.0", report_dir=tmp_path, profile="modern")
    fs = (t.size - 1) / (float(t[-1]) - float(t[0]))
    ref = lumetra.estimate(x.astype(np.float64), "periodogram", fs=fs, nfft=500, window="hann")
    assert job.freqs.size == ref.freqs.size == 251
    assert np.allclose(job.power, ref.psd, rtol=1e-5, atol=1e-7 * ref.psd.max())
    write_job(tmp_path / "burg.0", "rec.txt", "Burg", False, False, 1000, {"order": 4})
    job = lumetra.run_job(tmp_path / "burg.0", report_dir=tmp_path, profile="modern")
    ref = lumetra.estimate(x.astype(np.float64), "burg", fs=fs, nfft=1000, order=4)
    assert np.allclose(job.power, ref.psd, rtol=1e-5)


def test_peaks_are_scipys_prominences():
    rng = seeded(21)
    x = ar4_record(3000, rng)
    cases = [("periodogram", {}, x), ("burg", dict(order=30), x),
             ("periodogram", {}, rng.standard_normal(500)),
             ("periodogram", {}, np.round(rng.standard_normal(64) * 2)),
             # exact zeros between the lines: flat valleys at the floor
             ("periodogram", dict(detrend=False), np.tile([1.0, 2, 0, 0, 1, 0, 0, 0], 16))]
    for method, kw, data in cases:
        e = lumetra.estimate(data, method, **kw)
        idx, _ = scipy.signal.find_peaks(e.db)
        prom = scipy.signal.peak_prominences(e.db, idx)[0]
        keep = prom >= 3.0
        want = sorted(zip(-prom[keep], e.freqs[idx[keep]]))[:99]
        got = sorted(zip(-e.peaks[:, 2], e.peaks[:, 0]))
        assert len(got) == len(want), method
        assert np.allclose(np.array(got), np.array(want), rtol=0, atol=1e-9), method


@pytest.mark.parametrize("method", ["yule-walker", "burg", "periodogram"])
@pytest.mark.parametrize("bad", [np.nan, np.inf, -np.inf])
def test_a_bad_sample_is_the_error_named_first(method, bad):
    # Only the periodogram checks the samples before the engine (which checks each sample it
    # reads); the message and its precedence over the other errors stay the same.
    rng = seeded(31)
    x = rng.standard_normal(500)
    i = int(rng.integers(0, 500))
    x[i] = bad
    pattern = rf"x\[{i}\] = .*(nan|inf).* is not a finite number"
    kw = {} if method == "periodogram" else {"order": 4}
    with pytest.raises(ValueError, match=pattern):
        lumetra.psd(x, method, **kw)
    with pytest.raises(ValueError, match=pattern):
        lumetra.estimate(x, method, **kw)
    if method != "periodogram":
        for other in ({"order": 4.5}, {"order": 500}, {"order": 4, "scaling": "neither"}):
            with pytest.raises(ValueError, match=pattern):
                lumetra.psd(x, method, **other)
    with pytest.warns(UserWarning, match="switching to return_onesided=False") as caught:
        lumetra.psd(x[:i] + 0j if i > 8 else x[i + 1:] + 0j, "burg", order=4,
                    return_onesided=True)
    assert caught[0].filename == __file__  # the warning names the caller's line


def test_repeated_calls_keep_every_check_and_every_bit():
    # Each thread keeps the checked settings of recent calls; an equal value of another type
    # (True == 1, 4.0 == 4, 0 == False) must still be checked, and every bit stays the same.
    x = ar4_record(512, seeded(31))
    first = lumetra.psd(x, "burg", order=4, detrend=False)
    for bad in (dict(order=4.0), dict(order=np.float64(4)), dict(order=4, detrend=0)):
        with pytest.raises(TypeError, match="order|detrend"):
            lumetra.psd(x, "burg", **{"detrend": False, **bad})
    lumetra.psd(x, "burg", order=1, detrend=False)
    with pytest.raises(TypeError, match="order"):
        lumetra.psd(x, "burg", order=True, detrend=False)
    again = lumetra.psd(x, "burg", order=4, detrend=False)
    assert all(np.array_equal(a, b) for a, b in zip(first, again))
    e = lumetra.estimate(x, "burg", order=4, detrend=False)
    assert np.array_equal(e.psd, first[1]) and e.a.size == 4
    short = lumetra.psd(x[:300], "burg", order=4, detrend=False)
    assert short[1].size == 257 and not np.array_equal(short[1], first[1][:257])
    w = scipy.signal.get_window("hann", 512)
    ones = lumetra.psd(x, window=np.ones(512))[1]  # arrays are never kept as settings
    assert np.allclose(lumetra.psd(x, window=w)[1], lumetra.psd(x, window="hann")[1], rtol=1e-9)
    assert np.allclose(ones, lumetra.psd(x)[1], rtol=1e-12)
    for _ in range(2):  # the warning is given on every call, not only the first
        with pytest.warns(UserWarning, match="complex"):
            lumetra.psd(x + 0j, "burg", order=4, return_onesided=True)
    found = {}
    t = threading.Thread(target=lambda: found.update(r=lumetra.psd(x, "burg", order=4,
                                                                   detrend=False)))
    t.start()
    t.join()
    assert all(np.array_equal(a, b) for a, b in zip(found["r"], first))
