#!/usr/bin/env python3
"""Writes the real AR(4) test record of the examples (examples/ar4real.txt).

The record is one realisation of

    x(t) = 2.7607 x(t-1) - 3.8106 x(t-2) + 2.6535 x(t-3) - 0.9238 x(t-4) + e(t)

with e(t) white Gaussian noise of unit variance. The process has two sharp
spectral peaks close together, near 0.110 and 0.140 cycles per sample, about
40 dB above its floor, which makes it a hard test for AR estimators.

The output is the same on every machine and Python version: the noise comes
from a SplitMix64 generator with a fixed seed and the Box-Muller transform,
both written out below, and the samples are printed with a fixed number of
decimals. The first WARM_UP samples are dropped so the record starts in the
steady state.

Usage:  tools/make_ar4_record.py [OUTPUT] [--seed N] [--length N]
(default OUTPUT is examples/ar4real.txt beside this script's parent folder).
"""

import argparse
import math
import os
import sys

AR = (2.7607, -3.8106, 2.6535, -0.9238)  # x(t) = sum AR[k] x(t-1-k) + e(t)
SEED = 2026
LENGTH = 256
WARM_UP = 2000
MASK64 = (1 << 64) - 1


class SplitMix64:
    """Small, fully specified 64-bit generator (Steele, Lea and Flood, 2014)."""

    def __init__(self, seed):
        self.state = seed & MASK64

    def next_u64(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & MASK64
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK64
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK64
        return z ^ (z >> 31)

    def uniform(self):
        """Uniform on (0, 1): 53 random bits, never exactly 0."""
        return ((self.next_u64() >> 11) + 0.5) / float(1 << 53)

    def gauss_pair(self):
        """Two independent N(0, 1) values by the Box-Muller transform."""
        u1, u2 = self.uniform(), self.uniform()
        r = math.sqrt(-2.0 * math.log(u1))
        return r * math.cos(2.0 * math.pi * u2), r * math.sin(2.0 * math.pi * u2)


def ar4_record(length, seed):
    rng = SplitMix64(seed)
    noise = []
    while len(noise) < length + WARM_UP:
        noise.extend(rng.gauss_pair())
    x = [0.0, 0.0, 0.0, 0.0]
    for t in range(length + WARM_UP):
        x.append(sum(AR[k] * x[-1 - k] for k in range(4)) + noise[t])
    return x[4 + WARM_UP:]


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.join(os.path.dirname(here), "examples", "ar4real.txt")
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("output", nargs="?", default=default_out)
    p.add_argument("--seed", type=int, default=SEED)
    p.add_argument("--length", type=int, default=LENGTH)
    args = p.parse_args(argv)

    x = ar4_record(args.length, args.seed)
    lines = [
        "# Simulated real AR(4) record, x(t) = 2.7607 x(t-1) - 3.8106 x(t-2)"
        " + 2.6535 x(t-3) - 0.9238 x(t-4) + e(t), var e = 1,"
        " seed %d (tools/make_ar4_record.py)" % args.seed
    ]
    lines += ["%d %.6f" % (t, v) for t, v in enumerate(x)]
    with open(args.output, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    print("wrote %d samples to %s" % (len(x), args.output))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
