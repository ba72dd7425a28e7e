#!/usr/bin/python3
"""Times Lumetra's estimators beside numpy/scipy on the same records and prints the ratios.

    PYTHONPATH=build/python SPECEST_THREADS=1 /usr/bin/python3 bench/peers.py [--repeat 20]

The classic cases run the job-file numerics on float32 records; the modern cases run the
float64 profile against float64 peers (scipy, statsmodels, numpy least squares) and time the
process CPU, so a loaded machine counts less. A ratio above 1 means Lumetra is faster.

The cases are those of the engine benchmarks (16384 real samples, 16384 frequency points)
where scipy or numpy have the method: the periodogram (scipy.signal.periodogram, Hamming) and
Yule-Walker (numpy autocorrelation lags, scipy.linalg.solve_toeplitz, the AR spectrum by FFT).
Times are the median wall time of the repeats, in this process, with the engine's in-memory
path (no files, no report). The modern rows alternate the two sides in samples of about 5 ms
of calls each and give the median time per call. A ratio above 1 means Lumetra is faster.

The modern Burg and Yule-Walker rows time lumetra.psd (the same estimate, the density only):
statsmodels' burg and yule_walker give the coefficients and compute no spectrum at all, so
the dB values and ranked peaks that lumetra.estimate adds are left out of the comparison.
"""

import argparse
import statistics
import time

import numpy as np
import scipy.linalg
import scipy.signal

import lumetra


def record(n=16384, seed=7):
    rng = np.random.default_rng(seed)
    t = np.arange(n)
    return (np.cos(0.2 * 2 * np.pi * t) + 0.5 * np.cos(0.31 * 2 * np.pi * t)
            + rng.standard_normal(n)).astype(np.float32)


def median_time(fn, repeat, clock=time.perf_counter):
    fn()  # warm up: libraries loaded, tables built
    times = []
    for _ in range(repeat):
        start = clock()
        fn()
        times.append(clock() - start)
    return statistics.median(times)


def paired_medians(ours, peer, repeat, clock=time.process_time):
    """Median time per call of each side. A sample runs about 5 ms of calls, so neither the
    clock's resolution nor one call's cache state decides it, and the sides alternate, so a
    change of machine load falls on both."""
    ours()
    peer()

    def calls_for(fn):
        start = clock()
        fn()
        return max(1, int(0.005 / max(clock() - start, 1e-6)))

    def sample(fn, count):
        start = clock()
        for _ in range(count):
            fn()
        return (clock() - start) / count

    n_ours, n_peer = calls_for(ours), calls_for(peer)
    a, b = [], []
    for _ in range(repeat):
        a.append(sample(ours, n_ours))
        b.append(sample(peer, n_peer))
    return statistics.median(a), statistics.median(b)


def modern_cases(n=16384):
    from statsmodels.regression.linear_model import burg, yule_walker

    x = record(n).astype(np.float64)
    p = 50
    rows = np.array([x[t - 1::-1][:p] for t in range(p, n)])
    back = np.array([x[t + 1:t + 1 + p] for t in range(0, n - p)])
    both = np.vstack([rows, back])
    target, target_fb = -x[p:], -np.concatenate([x[p:], x[:n - p]])
    return [
        ("modern periodogram, Hann, 16k", lambda: lumetra.psd(x, window="hann"),
         "scipy.signal.periodogram", lambda: scipy.signal.periodogram(x, window="hann")),
        ("modern Burg p = 50, 16k", lambda: lumetra.psd(x, "burg", order=p),
         "statsmodels burg", lambda: burg(x, order=p, demean=True)),
        ("modern Yule-Walker p = 50, 16k", lambda: lumetra.psd(x, "yule-walker", order=p),
         "statsmodels yule_walker mle", lambda: yule_walker(x, order=p, method="mle")),
        ("modern covariance p = 50, 16k", lambda: lumetra.estimate(x, "covariance", order=p),
         "numpy lstsq, forward", lambda: np.linalg.lstsq(rows, target, rcond=None)),
        ("modern mod. covariance p = 50", lambda: lumetra.estimate(x, "modified-covariance",
                                                                   order=p),
         "numpy lstsq, forward-backward", lambda: np.linalg.lstsq(both, target_fb, rcond=None)),
        ("modern Blackman-Tukey 1000 lags", lambda: lumetra.estimate(x, "blackman-tukey",
                                                                     m_lags=1000),
         "numpy correlogram (CORRELOGRAMPSD's defaults)", lambda: numpy_correlogram(x, 1000)),
    ]


def numpy_correlogram(x, lag, nfft=4096):
    """The peer the issue names, the `spectrum` package's CORRELOGRAMPSD, is not packaged for
    Debian; this stands in with its documented defaults (numpy's full correlation, unbiased
    lags -lag..lag, a Hamming lag window, a 4096-point FFT)."""
    n = x.size
    r = np.correlate(x, x, mode="full")[n - 1 - lag:n + lag] / (n - np.abs(np.arange(-lag, lag + 1)))
    return np.abs(np.fft.fft(r * np.hamming(2 * lag + 1), nfft))


def scipy_yule_walker(x, order, nfft):
    x = x.astype(np.float64)
    n = x.size
    r = np.correlate(x, x, mode="full")[n - 1:n + order] / n
    a = scipy.linalg.solve_toeplitz(r[:order], -r[1:order + 1])
    sig2 = r[0] + np.dot(a, r[1:order + 1])
    spectrum = sig2 / np.abs(np.fft.rfft(np.r_[1.0, a], nfft)) ** 2
    return 10 * np.log10(spectrum / spectrum.max())


def scipy_yule_walker_fft(x, order, nfft):
    # The same with the lags from an FFT, as a careful numpy user would write it.
    x = x.astype(np.float64)
    n = x.size
    f = np.fft.rfft(x, 2 * n)
    r = np.fft.irfft(f * np.conj(f))[:order + 1] / n
    a = scipy.linalg.solve_toeplitz(r[:order], -r[1:order + 1])
    sig2 = r[0] + np.dot(a, r[1:order + 1])
    spectrum = sig2 / np.abs(np.fft.rfft(np.r_[1.0, a], nfft)) ** 2
    return 10 * np.log10(spectrum / spectrum.max())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=20)
    args = parser.parse_args()
    x = record()
    n = x.size
    classic = dict(profile="classic")
    cases = [
        ("periodogram, Hamming, 16k/16k",
         lambda: lumetra.estimate(x, "periodogram", window="Hamming", nfft=n, **classic),
         "scipy.signal.periodogram",
         lambda: scipy.signal.periodogram(x, window="hamming", nfft=n)),
        ("Yule-Walker p = 50, 16k/16k",
         lambda: lumetra.estimate(x, "yule-walker", order=50, nfft=n, **classic),
         "numpy.correlate + solve_toeplitz",
         lambda: scipy_yule_walker(x, 50, n)),
        ("Yule-Walker p = 50, 16k/16k",
         lambda: lumetra.estimate(x, "yule-walker", order=50, nfft=n, **classic),
         "numpy FFT lags + solve_toeplitz",
         lambda: scipy_yule_walker_fft(x, 50, n)),
    ]
    print(f"{'case':32} {'lumetra':>10} {'peer':>10} {'ratio':>7}  peer")
    for name, ours, peer_name, peer in cases:
        t_ours = median_time(ours, args.repeat)
        t_peer = median_time(peer, args.repeat)
        print(f"{name:32} {t_ours * 1e3:8.2f}ms {t_peer * 1e3:8.2f}ms {t_peer / t_ours:7.2f}  "
              f"{peer_name}")
    print("modern profile, float64 on both sides, process CPU time:")
    for name, ours, peer_name, peer in modern_cases():
        if peer is None:
            t_ours = median_time(ours, args.repeat, time.process_time)
            print(f"{name:32} {t_ours * 1e3:8.2f}ms {'-':>10} {'-':>7}  {peer_name}")
            continue
        t_ours, t_peer = paired_medians(ours, peer, args.repeat)
        print(f"{name:32} {t_ours * 1e3:8.2f}ms {t_peer * 1e3:8.2f}ms {t_peer / t_ours:7.2f}  "
              f"{peer_name}")


if __name__ == "__main__":
    main()
