#!/usr/bin/python3
"""Writes the seed units of estimate_fuzzer into fuzz/corpus-estimate/: one sensible job per
method on two sinusoids in noise, real and complex, plus a few limit cases. The byte layout
is the one estimate_fuzzer.cpp reads."""
import os
import struct
import sys

NA = None  # -999: the setting is not used


def int_setting(v):
    if v is NA:
        return bytes([0])
    if 0 <= v < 40:
        return bytes([5, v])
    return bytes([4]) + struct.pack(">i", v)


def real_setting(v):
    if v is NA:
        return bytes([0])
    if v == "eps":
        return bytes([1, 15])  # 1e-15
    return bytes([4, int(v * 10)])  # v / 10 from one byte


def unit(method, complex_data, npoints, npoles=NA, nzeros=NA, eps=NA, mode=NA, m_eqs=NA,
         l_pts=NA, m_lags=NA, nit=NA, per=NA, window=0, npts=0, dt_index=0, count=128,
         twosided=True):
    flags = (1 if complex_data else 0) | (2 if twosided else 0) | (3 << 4)  # synthetic samples
    b = bytes([method, flags])
    for v in (npoints, npoles, nzeros):
        b += int_setting(v)
    b += real_setting(eps)
    for v in (mode, m_eqs, l_pts, m_lags, nit):
        b += int_setting(v)
    b += real_setting(per)
    b += bytes([window]) + int_setting(npts) + bytes([dt_index])
    b += struct.pack(">I", count - 8)
    b += bytes([51, 54, 64, 40]) + struct.pack(">I", 2026)  # f1 0.2, f2 0.21, a2 1, noise
    return b


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus-estimate")
    os.makedirs(out, exist_ok=True)
    eps = "eps"
    seeds = {
        "yule-walker": unit(1, True, 512, npoles=15),
        "burg": unit(2, True, 512, npoles=15),
        "rmle": unit(3, False, 512, npoles=4, twosided=False, count=256),
        "covariance": unit(4, True, 512, npoles=15, eps=eps),
        "modified-covariance": unit(5, True, 512, npoles=15, eps=eps),
        "mywe": unit(6, True, 512, npoles=15, nzeros=4, eps=eps),
        "lsmywe": unit(7, True, 512, npoles=12, nzeros=4, eps=eps, m_eqs=40),
        "akaike": unit(8, False, 512, npoles=4, nzeros=2, eps=eps, m_eqs=20, nit=20, per=1.0,
                       twosided=False, count=256),
        "mayne-firoozan": unit(9, True, 512, npoles=8, nzeros=4, eps=eps, l_pts=25),
        "durbin": unit(10, True, 512, nzeros=16, l_pts=40),
        "periodogram-hamming": unit(11, False, 256, window=2),
        "blackman-tukey": unit(12, True, 512, mode=1, m_lags=24),
        "mvse": unit(13, True, 512, npoles=20, eps=eps, mode=1, l_pts=512),
        "lockheed": unit(14, True, 512, npoles=4, nzeros=4),
        "tiny-dt": unit(11, False, 64, dt_index=1),
        "mvse-lpts-max": unit(13, True, 512, npoles=20, eps=eps, mode=1, l_pts=2147483647),
        "bt-mode-max": unit(12, True, 512, mode=2147483647, m_lags=24),
        "negative-order": unit(2, True, 512, npoles=-5),
        "npoints-max": unit(11, False, 2147483647),
    }
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
