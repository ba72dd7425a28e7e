#!/usr/bin/python3
"""Burg spectra of many channels with Dask: a LocalCluster here, the same code on a cluster.

    PYTHONPATH=build/python /usr/bin/python3 python/examples/many_channels_dask.py [tcp://HOST:8786]

With a scheduler address it uses that cluster (every worker needs lumetra installed);
without, it starts a LocalCluster of two worker processes on this machine.
"""

import sys

import dask.array as da
import numpy as np
from distributed import Client, LocalCluster

import lumetra.dask


def main():
    fs = 256.0
    # 256 channels of 8192 samples: a 40 Hz line in noise, chunks of 32 whole channels.
    t = da.arange(8192, chunks=8192) / fs
    noise = da.random.RandomState(1).standard_normal((256, 8192), chunks=(32, 8192))
    x = noise + da.sin(2 * np.pi * 40.0 * t)[None, :]

    if len(sys.argv) > 1:
        client, cluster = Client(sys.argv[1]), None
    else:
        cluster = LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None)
        client = Client(cluster)
    try:
        f, pxx = lumetra.dask.psd(x, "burg", order=30, fs=fs)   # lazy: one task per chunk
        mean = pxx.mean(axis=0).compute()
        print(f"{pxx.shape[0]} channels, {pxx.numblocks[0]} tasks; strongest line at "
              f"{f[np.argmax(mean)]:.2f} Hz")
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


if __name__ == "__main__":
    main()
