"""A large estimate holds the engine's own arrays and no copy beside them, and stays exact."""

import json
import subprocess
import sys

import numpy as np
import pytest

import lumetra

# Peak RSS growth of one call in a fresh process, measured by the process itself.
CHILD = r"""
import json, resource, sys
import numpy as np, lumetra
n, call = int(sys.argv[1]), sys.argv[2]
x = np.random.default_rng(3).standard_normal(n)
lumetra.estimate(x[:4096], "periodogram")  # the library and numpy's code paths loaded
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
r = lumetra.psd(x) if call == "psd" else lumetra.estimate(x, "periodogram")
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
freqs = r[0] if call == "psd" else r.freqs
print(json.dumps({"growth": (after - before) * 1024, "n_freq": len(freqs)}))
"""


@pytest.mark.parametrize("call", ["estimate", "psd"])
def test_a_large_periodogram_holds_no_copy_beside_the_engines_arrays(call):
    # Above the 32 MB a thread's work-array pool keeps, so every array given back is gone.
    n = 3_000_000
    # What the engine must hold for n real samples on the default grid (nfft = n): the samples
    # as complex values, where the transform runs (16 n bytes), the raw two-sided grid (8 n) and
    # the three output arrays of n/2 + 1 values (12 n). The copies removed took about 125 n.
    must_hold = 36 * n
    run = subprocess.run([sys.executable, "-c", CHILD, str(n), call], check=True,
                         capture_output=True, text=True, timeout=600)
    got = json.loads(run.stdout)
    assert got["n_freq"] == n // 2 + 1
    print(f"{call}: peak RSS growth {got['growth'] / 1e6:.1f} MB = {got['growth'] / n:.1f} n bytes")
    assert got["growth"] <= 1.25 * must_hold


# Plans above the FFT's cache limit are made per call; the periodogram transforms inside the
# samples' array (even lengths) or in place as complex values (odd ones).
@pytest.mark.parametrize("n", [1_048_583, 2 * 524_309, 2 * 531_441, 3 * 2**19 + 2])
def test_a_large_periodogram_is_numpys_on_prime_and_composite_lengths(n):
    x = np.random.default_rng(n).standard_normal(n)
    f, p = lumetra.psd(x, fs=2.0, detrend=False)
    ref = np.abs(np.fft.rfft(x)) ** 2 / (2.0 * n)
    ref[1: (n + 1) // 2] *= 2.0  # one-sided: every bin but DC and (even n) Nyquist doubled
    assert f.shape == ref.shape
    assert np.array_equal(f, np.fft.rfftfreq(n, 1 / 2.0))
    assert np.max(np.abs(p - ref)) <= 1e-10 * ref.max()
