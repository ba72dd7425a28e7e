"""Records and job files shared by the Python tests."""

import numpy as np
import pytest
import scipy.signal

# x(t) = 2.7607 x(t-1) - 3.8106 x(t-2) + 2.6535 x(t-3) - 0.9238 x(t-4) + e(t): two sharp
# peaks near 0.110 and 0.140 cycles per sample (the process of examples/ar4real.txt).
AR4 = np.array([1.0, -2.7607, 3.8106, -2.6535, 0.9238])


def ar4_record(n, rng, warm_up=2000):
    e = rng.standard_normal(n + warm_up)
    return scipy.signal.lfilter([1.0], AR4, e)[warm_up:]


def close_sines(n, rng):
    """Two complex sinusoids 0.01 cycles/sample apart and a weaker one, in complex noise."""
    t = np.arange(n)
    x = np.exp(2j * np.pi * 0.2 * t) + np.exp(2j * np.pi * 0.21 * t + 1) + 0.1 * np.exp(
        -2j * np.pi * 0.15 * t
    )
    return x + 0.1 * (rng.standard_normal(n) + 1j * rng.standard_normal(n))


@pytest.fixture(scope="session")
def real_record():
    return ar4_record(256, np.random.default_rng(2026)).astype(np.float32)


@pytest.fixture(scope="session")
def complex_record():
    return close_sines(64, np.random.default_rng(64)).astype(np.complex64)


def exact(v):
    """Text a float parser turns back into exactly this float32 value."""
    return repr(float(np.float32(v)))


def write_data(path, times, x):
    """A data file as the program reads it: one header line, then time and sample per line."""
    lines = ["# test record"]
    for t, v in zip(times, x):
        if np.iscomplexobj(x):
            lines.append(f"{exact(t)}  ({exact(v.real)},{exact(v.imag)})")
        else:
            lines.append(f"{exact(t)}  {exact(v)}")
    path.write_text("\n".join(lines) + "\n")


# Job lines of the settings (the job file format: line 10 nPoles ... line 19 window).
JOB_LINE = {"order": 10, "zeros": 11, "eps": 12, "mode": 13, "m_eqs": 14, "l_pts": 15,
            "m_lags": 16, "nit": 17, "per": 18, "window": 19}


def write_job(path, data_name, method_name, is_complex, twosided, nfft, settings):
    """A 21-line job file; settings the method does not use hold -999, as the form writes."""
    lines = ["-999"] * 21
    lines[0] = "python test job"
    lines[1] = data_name
    lines[2] = "1"
    lines[3] = "0"
    lines[4] = "Complex" if is_complex else "Real"
    lines[6] = method_name
    lines[7] = "Yes" if twosided else "No"
    lines[8] = str(nfft)
    for key, value in settings.items():
        lines[JOB_LINE[key] - 1] = exact(value) if isinstance(value, float) else str(value)
    lines[19] = ""
    lines[20] = ""
    path.write_text("\n".join(lines) + "\n")


def read_times(path):
    """The time column of a data file, parsed as the engine stores it (float32)."""
    rows = path.read_text().splitlines()[1:]
    return np.array([np.float32(r.split()[0]) for r in rows], dtype=np.float32)
