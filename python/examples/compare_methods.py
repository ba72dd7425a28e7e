#!/usr/bin/env python3
"""Overlays several estimators on one record: a plot with matplotlib, else the peak lists.

    compare_methods.py                 # two close sinusoids in noise (seeded)
    compare_methods.py DATA [--skip N] # a Lumetra data file (time, value or (re,im) per line)
    compare_methods.py --png out.png   # save the plot instead of showing it
"""

import argparse
import sys

import numpy as np

import lumetra

# (label, method, settings): the same order for the AR fits, so the curves compare directly.
ESTIMATORS = [
    ("Periodogram, Hamming", "periodogram", {"window": "Hamming"}),
    ("Burg, order 15", "burg", {"order": 15}),
    ("Modified covariance, order 15", "modified-covariance", {"order": 15, "eps": 1e-6}),
    ("MVSE, order 20", "mvse", {"order": 20, "eps": 1e-6, "mode": 1, "l_pts": 512}),
]


def synthetic(n=64, seed=7):
    """Two complex sinusoids 0.01 cycles/sample apart and a weaker one, in white noise."""
    rng = np.random.default_rng(seed)
    t = np.arange(n)
    x = (
        np.exp(2j * np.pi * 0.20 * t)
        + np.exp(2j * np.pi * 0.21 * t + 1.0)
        + 0.1 * np.exp(-2j * np.pi * 0.15 * t)
    )
    noise = rng.standard_normal(n) + 1j * rng.standard_normal(n)
    return t.astype(float), x + 0.1 * noise


def read_data(path, skip):
    """Time values and samples of a Lumetra data file."""
    times, values = [], []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in list(f)[skip:]:
            fields = line.replace(",", " ").replace("(", " (").split()
            if len(fields) < 2:
                continue
            times.append(float(fields[0]))
            if fields[1].startswith("("):
                re_im = line[line.index("(") + 1 : line.index(")")].replace(",", " ").split()
                values.append(complex(float(re_im[0]), float(re_im[1])))
            else:
                values.append(float(fields[1]))
    return np.array(times), np.array(values)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument("data", nargs="?", help="Lumetra data file (default: a synthetic record)")
    ap.add_argument("--skip", type=int, default=0, help="header lines of the data file")
    ap.add_argument("--png", help="save the plot to this file")
    args = ap.parse_args(argv)

    t, x = read_data(args.data, args.skip) if args.data else synthetic()
    twosided = np.iscomplexobj(x)
    results = []
    for label, method, settings in ESTIMATORS:
        try:
            est = lumetra.estimate(x, method, profile="classic", times=t, nfft=512, twosided=twosided, **settings)
        except (ValueError, lumetra.EstimationError) as err:
            print(f"{label}: {err}", file=sys.stderr)
            continue
        results.append((label, est))

    try:
        import matplotlib

        if args.png:
            matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        for label, est in results:
            strongest = sorted(est.peaks.tolist(), key=lambda p: -p[1])[:5]
            peaks = ", ".join(f"{f:.4f} ({d:.1f} dB)" for f, d in strongest)
            print(f"{label}: peaks at {peaks}")
        return 0

    fig, ax = plt.subplots(figsize=(9, 5))
    for label, est in results:
        ax.plot(est.freqs, est.db, label=label, linewidth=1)
    ax.set_xlabel("frequency (cycles per time unit)")
    ax.set_ylabel("dB relative to the maximum")
    ax.set_ylim(-100, 5)
    ax.grid(True, alpha=0.3)
    ax.legend()
    if args.png:
        fig.savefig(args.png, dpi=120)
    else:
        plt.show()
    return 0


if __name__ == "__main__":
    sys.exit(main())
