#!/usr/bin/python3
"""A (64, 16384) batch of Burg p = 30 through lumetra.psd: one call on the engine's threads
against a Python loop of 1-D calls, and against one thread's throughput (SPECEST_THREADS=1,
in a child process, since the engine reads it at start).

    PYTHONPATH=build/python /usr/bin/python3 bench/batch_speed.py [--repeat 5]

Times are the least wall time of the repeats (on a shared machine, the run least disturbed
by other loads; the load average is printed beside them).
"""

import argparse
import os
import subprocess
import sys
import time

import numpy as np

import lumetra


def best_time(fn, repeat):
    times = []
    for _ in range(repeat):
        t0 = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t0)
    return min(times)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--repeat", type=int, default=5)
    ap.add_argument("--batch-only", action="store_true", help=argparse.SUPPRESS)
    args = ap.parse_args()
    x = np.random.default_rng(64).standard_normal((64, 16384))
    batch = best_time(lambda: lumetra.psd(x, "burg", order=30), args.repeat)
    if args.batch_only:
        print(batch)
        return
    loop = best_time(lambda: [lumetra.psd(r, "burg", order=30) for r in x], args.repeat)
    env = dict(os.environ, SPECEST_THREADS="1")
    one = float(subprocess.run([sys.executable, __file__, "--batch-only", "--repeat",
                                str(args.repeat)], env=env, check=True, capture_output=True,
                               text=True).stdout)
    load = os.getloadavg()[0]
    print(f"(64, 16384) Burg p=30, {os.cpu_count()} hardware threads, load average {load:.1f}")
    print(f"  batch, engine threads     {batch * 1e3:8.1f} ms")
    print(f"  batch, one thread         {one * 1e3:8.1f} ms")
    print(f"  Python loop of 1-D calls  {loop * 1e3:8.1f} ms")
    print(f"  batch / loop              {batch / loop:8.2f}  (issue: <= 0.6)")
    print(f"  speed-up over one thread  {one / batch:8.2f}  (issue: >= 1.8)")


if __name__ == "__main__":
    main()
