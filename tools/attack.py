#!/usr/bin/python3
"""Runs hostile inputs through specest-run and tabulates what happened.

    /usr/bin/python3 tools/attack.py build/specest-run [--timeout S] [--samples N] [-v]

A measuring tool, not a test: it always exits 0 once it has run, and reports honestly. Each
case runs in its own folder under a temporary directory, with an address-space limit so a
runaway allocation cannot take the shared machine down. Outcomes:

  clear error    non-zero exit, no signal, and the message names what it should
                 (the file, the line or the field, and the problem)
  unclear error  non-zero exit whose message lacks those
  crash          ended by a signal (or an uncaught C++ exception)
  hang           still running at the timeout
  wrong success  exit 0 for input that must be refused, or with non-finite or unreadable
                 values in the CSV/JSON
  data lost      an earlier good output (or a file behind a symlink) destroyed or truncated
  over budget    correct, but above the memory or time budget of the case
Only the standard library is used.
"""
import argparse
import json
import math
import os
import random
import re
import resource
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

AS_LIMIT = 2 << 30  # bytes of address space for each run

FIELDS = ["title", "data_file", "header_lines", "npts", "data_type", "ixtype", "method",
          "neg_freq", "npoints", "npoles", "nzeros", "eps", "mode", "m_eqs", "l_pts", "m_lags",
          "nit", "per", "window", "note1", "note2"]
DEFAULT_JOB = dict(title="attack", data_file="data.txt", header_lines="0", npts="0",
                   data_type="R", ixtype="0", method="Periodogram", neg_freq="N", npoints="256",
                   npoles="-999", nzeros="-999", eps="-999", mode="-999", m_eqs="-999",
                   l_pts="-999", m_lags="-999", nit="-999", per="-999", window="Rectangular",
                   note1="", note2="")
COLUMNS = ["clear error", "unclear error", "crash", "hang", "wrong success", "data lost",
           "over budget"]


def as_bytes(v):
    return v if isinstance(v, bytes) else str(v).encode()


def job_bytes(eol=b"\r\n", **changes):
    """A job file as the front end writes it: value, two blanks, two tabs, "! " label."""
    values = dict(DEFAULT_JOB, **changes)
    out = b""
    for n, key in enumerate(FIELDS, 1):
        v = as_bytes(values[key])
        out += (v if n >= 20 else v + b"  \t\t! question %d" % n) + eol
    return out


def samples(n, seed=1):
    rng = random.Random(seed)
    return [math.cos(2 * math.pi * 0.1 * i) + 0.5 * math.cos(2 * math.pi * 0.3 * i + 1)
            + 0.1 * rng.gauss(0, 1) for i in range(n)]


def data_bytes(values, times=None, eol=b"\n"):
    times = times if times is not None else range(len(values))
    return b"".join(b"%.9g %.9g" % (t, x) + eol for t, x in zip(times, values))


def mb(kb):
    return "peak RSS n/a" if kb is None else "peak RSS %.1f MB" % (kb / 1024)


class Run:
    def __init__(self, code, sig, out, seconds, max_rss_kb, hung):
        self.code, self.sig, self.out = code, sig, out
        self.seconds, self.max_rss_kb, self.hung = seconds, max_rss_kb, hung


def limit_child():
    os.setsid()
    resource.setrlimit(resource.RLIMIT_AS, (AS_LIMIT, AS_LIMIT))


TIME = "/usr/bin/time"  # GNU time: the peak RSS of the run itself, not of this process


def run_cli(exe, args, cwd, timeout, kill_after=None):
    """Runs specest-run; returns its exit, output, wall time and peak RSS."""
    log = open(os.path.join(cwd, ".attack-output"), "w+b")
    stats = os.path.join(cwd, ".attack-time")
    # A child forked from this process starts with this process's peak RSS; a run started by
    # GNU time (a small process) reports its own.
    timed = os.access(TIME, os.X_OK)
    cmd = ([TIME, "-f", "%M", "-o", stats] if timed else []) + [exe] + list(args)
    start = time.monotonic()
    p = subprocess.Popen(cmd, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                         stdin=subprocess.DEVNULL, preexec_fn=limit_child)
    hung = False
    while True:
        pid, status, usage = os.wait4(p.pid, os.WNOHANG)
        if pid == p.pid:
            break
        elapsed = time.monotonic() - start
        if kill_after is not None and elapsed >= kill_after:
            os.killpg(p.pid, signal.SIGKILL)
            kill_after = None
        elif elapsed >= timeout:
            hung = True
            os.killpg(p.pid, signal.SIGKILL)
        time.sleep(0.002)
    seconds = time.monotonic() - start
    p.returncode = 0  # reaped by wait4
    log.seek(0)
    out = log.read().decode("utf-8", "replace")
    log.close()
    code = os.WEXITSTATUS(status) if os.WIFEXITED(status) else None
    sig = os.WTERMSIG(status) if os.WIFSIGNALED(status) else None
    rss = None
    if timed and not hung and sig is None:
        lines = open(stats).read().splitlines() if os.path.exists(stats) else []
        for line in lines:
            if line.startswith("Command terminated by signal"):
                sig, code = int(line.split()[-1]), None
        if lines and lines[-1].strip().isdigit():
            rss = int(lines[-1])
    elif not timed:
        rss = usage.ru_maxrss
    return Run(code, sig, out, seconds, rss, hung)


def nonfinite_outputs(d, csv, js):
    """Why the CSV/JSON of a successful run are not a result, or "" when they are."""
    if csv and os.path.exists(os.path.join(d, csv)):
        with open(os.path.join(d, csv), "rb") as f:
            rows = f.read().decode("utf-8", "replace").splitlines()[1:]
        if not rows:
            return "empty CSV"
        for r in rows:
            try:
                if not all(math.isfinite(float(v)) for v in r.split(",")):
                    return "non-finite value in CSV: " + r
            except ValueError:
                return "unreadable CSV row: " + r[:60]
    if js and os.path.exists(os.path.join(d, js)):
        with open(os.path.join(d, js), "rb") as f:
            raw = f.read()
        try:
            j = json.loads(raw.decode("utf-8"),
                           parse_constant=lambda c: float("nan"))
        except (UnicodeDecodeError, ValueError) as e:
            return "JSON not valid UTF-8 JSON: %s" % e
        for key in ("frequency", "spectrum_db"):
            for v in j.get(key, []):
                if v is None or not math.isfinite(v):
                    return "non-finite value in JSON %s" % key
        for key in ("t_start", "t_final", "zero_fill", "sig2"):  # nlohmann writes NaN as null
            if key in j and (j[key] is None or not math.isfinite(j[key])):
                return "non-finite JSON %s" % key
    return ""


class Attack:
    def __init__(self, exe, timeout, samples_big, verbose):
        self.exe, self.timeout, self.samples_big, self.verbose = exe, timeout, samples_big, verbose
        self.root = tempfile.mkdtemp(prefix="specest-attack-")
        self.results = []  # (category, case, flags, run, note)
        self.baseline = None

    def folder(self, name):
        d = os.path.join(self.root, name.replace("/", "_").replace(" ", "_"))
        os.makedirs(d)
        return d

    def run(self, d, job, extra=(), timeout=None, kill_after=None, pause=False):
        args = [job] + ([] if pause else ["--no-pause"]) + ["--report-dir", d] + list(extra)
        return run_cli(self.exe, args, d, timeout or self.timeout, kill_after)

    def record(self, cat, case, run, flags, note=""):
        self.results.append((cat, case, flags, run, note))

    def judge(self, cat, case, run, refuse, tokens=(), d=None, csv=None, js=None, note=""):
        """refuse: the input must be refused. tokens: groups of alternatives; the message must
        hold one alternative of every group (compared without letter case)."""
        flags = set()
        # Case folder names must not count as words of the message.
        msg = re.sub(re.escape(self.root) + r"/[^/\s]*", "<dir>", run.out).lower()
        if run.hung:
            flags.add("hang")
        elif run.sig is not None or "terminate called" in msg:
            flags.add("crash")
        elif run.code == 0:
            bad = nonfinite_outputs(d, csv, js) if d else ""
            if refuse or bad:
                flags.add("wrong success")
                note = note or bad or "accepted"
        else:
            clear = all(any(t.lower() in msg for t in group) for group in tokens)
            flags.add("clear error" if clear else "unclear error")
            if refuse is False:
                note = note or "refused valid input"
        self.record(cat, case, run, flags, note)
        return flags

    # ---- the cases ---------------------------------------------------------------------

    def wrong_results(self):
        cat = "1 wrong/non-finite result"
        x = samples(64)
        cases = [
            ("time step 1e-44", data_bytes(x, [i * 1e-44 for i in range(64)]),
             [["data.txt"], ["time", "interval", "step"]]),
            ("descending time column", data_bytes(x, list(range(63, -1, -1))),
             [["data.txt"], ["time", "increas", "order"]]),
            ("every sample a bad point (1e37)", data_bytes([1e37] * 64),
             [["data.txt"], ["bad", "no valid", "no usable", "1e10", "1.e10"]]),
        ]
        for name, data, tokens in cases:
            d = self.folder(name)
            open(os.path.join(d, "data.txt"), "wb").write(data)
            open(os.path.join(d, "a.0"), "wb").write(job_bytes())
            r = self.run(d, "a.0", ["--csv", "s.csv", "--json", "s.json"])
            self.judge(cat, name, r, True, tokens, d, "s.csv", "s.json")
        # Found by fuzzing: a model fitted to a constant record with eps -999.
        d = self.folder("modcov constant")
        open(os.path.join(d, "data.txt"), "wb").write(b"".join(b"%d (1,1)\n" % i
                                                               for i in range(4)))
        open(os.path.join(d, "a.0"), "wb").write(
            job_bytes(data_type="C", method="Modified Covariance", npoles="2", eps="-999",
                      npoints="32", neg_freq="Y", window="-999"))
        r = self.run(d, "a.0", ["--json", "s.json"])
        self.judge(cat, "Modified Covariance, eps -999, constant record", r, None,
                   [["eps", "constant"]], d, None, "s.json")
        # Bare CR: either read as 64 records or refused clearly; never 1 record.
        for name, data, job in [
            ("data records ending in a bare CR", data_bytes(x, eol=b"\r"), job_bytes()),
            ("job lines ending in a bare CR", data_bytes(x), job_bytes(eol=b"\r")),
        ]:
            d = self.folder(name)
            open(os.path.join(d, "data.txt"), "wb").write(data)
            open(os.path.join(d, "a.0"), "wb").write(job)
            r = self.run(d, "a.0", ["--json", "s.json"])
            flags = self.judge(cat, name, r, None, [["a.0", "data.txt"], ["line", "CR"]], d,
                               None, "s.json")
            if r.code == 0 and not flags:
                npts = json.load(open(os.path.join(d, "s.json"))).get("npts")
                if npts != 64:
                    flags.add("wrong success")
                    self.results[-1] = (cat, name, flags, r, "read %s of 64 records" % npts)

    def crashes(self):
        cat = "2 crash"
        x = samples(64)
        d = self.folder("latin1 data line")
        open(os.path.join(d, "data.txt"), "wb").write(
            b"Temperatur in \xb0C\n" + data_bytes(x[:10]) + b"10 1.5 \xb0C\n"
            + data_bytes(x[11:], range(11, 64)))
        open(os.path.join(d, "a.0"), "wb").write(job_bytes(header_lines="1"))
        r = self.run(d, "a.0", ["--json", "s.json"])
        self.judge(cat, "Latin-1 \xb0C in a data line, --json", r, None,
                   [["data.txt"], ["line 12", "line 11"]], d, None, "s.json")

        d = self.folder("latin1 job path")
        sub = os.path.join(d.encode(), b"Temp \xb0C")
        os.mkdir(sub)
        open(os.path.join(sub, b"data.txt"), "wb").write(data_bytes(x))
        open(os.path.join(sub, b"a.0"), "wb").write(job_bytes())
        r = run_cli(self.exe.encode(), [os.path.join(sub, b"a.0"), b"--no-pause",
                                        b"--report-dir", sub, b"--json", b"s.json"], d,
                    self.timeout)
        self.judge(cat, "Latin-1 \xb0C in the job path, --json", r, False, (), d, None, "s.json")

        d = self.folder("binary job")
        rng = random.Random(15)
        blob = b"\r\n".join(bytes(rng.randrange(256) for _ in range(40)) for _ in range(21))
        open(os.path.join(d, "a.0"), "wb").write(blob)
        r = self.run(d, "a.0", ["--json", "s.json"])
        # Line 2 names the data file, so a clear refusal may name that file instead of a line.
        self.judge(cat, "binary job lines, --json", r, True,
                   [["a.0", "data file"], ["line", "no such file", "not a regular file"]], d,
                   None, "s.json")

        d = self.folder("mvse l_pts max")
        open(os.path.join(d, "data.txt"), "wb").write(data_bytes(x))
        open(os.path.join(d, "a.0"), "wb").write(
            job_bytes(method="MVSE", npoles="20", eps="1.e-15", mode="1", l_pts="2147483647",
                      window="-999"))
        r = self.run(d, "a.0", ["--json", "s.json"])
        self.judge(cat, "MVSE l_pts 2147483647", r, True, [["l_pts", "L points"]], d, None,
                   "s.json")

        for dev in ("/dev/zero", "/dev/urandom"):
            d = self.folder("job " + dev)
            r = self.run(d, dev, ["--json", "s.json"])
            self.judge(cat, "job path " + dev, r, True, [[dev], ["regular", "not a file"]], d,
                       None, "s.json")

    def outputs_destroyed(self):
        cat = "3 outputs destroyed"
        x = samples(64)
        zero = data_bytes([0.0] * 64)
        failing = [
            ("failing run (missing data) after a good run", dict(data_file="none.txt")),
            ("estimator failure after a good run",
             dict(data_file="zero.txt", method="Auto-correlation", npoles="3", window="-999")),
        ]
        for name, change in failing:
            d = self.folder(name)
            open(os.path.join(d, "data.txt"), "wb").write(data_bytes(x))
            open(os.path.join(d, "zero.txt"), "wb").write(zero)
            open(os.path.join(d, "good.0"), "wb").write(job_bytes())
            open(os.path.join(d, "bad.0"), "wb").write(job_bytes(**change))
            self.run(d, "good.0", ["--csv", "s.csv", "--json", "s.json"])
            before = [open(os.path.join(d, f), "rb").read() for f in ("s.csv", "s.json")]
            r = self.run(d, "bad.0", ["--csv", "s.csv", "--json", "s.json"])
            after = [open(os.path.join(d, f), "rb").read() if os.path.exists(os.path.join(d, f))
                     else None for f in ("s.csv", "s.json")]
            flags = self.judge(cat, name, r, True, [["bad.0", "none.txt", "estimator"]])
            if after != before:
                flags.add("data lost")
                self.results[-1] = (cat, name, flags, r, "CSV/JSON of the good run changed")

        d = self.folder("dev full")
        open(os.path.join(d, "data.txt"), "wb").write(data_bytes(x))
        open(os.path.join(d, "a.0"), "wb").write(job_bytes())
        r = self.run(d, "a.0", ["--csv", "/dev/full"])
        flags = self.judge(cat, "/dev/full as the CSV output", r, True, [["/dev/full"]])
        if not stat.S_ISCHR(os.stat("/dev/full").st_mode):
            flags.add("data lost")

        # Large outputs, so the kills land while they are being written too.
        d = self.folder("kill 9")
        open(os.path.join(d, "data.txt"), "wb").write(data_bytes(x))
        open(os.path.join(d, "a.0"), "wb").write(job_bytes(npoints="1048576"))
        self.run(d, "a.0", ["--csv", "s.csv", "--json", "s.json"])
        before = [open(os.path.join(d, f), "rb").read() for f in ("s.csv", "s.json")]
        whole = self.run(d, "a.0", ["--csv", "s.csv", "--json", "s.json"], pause=True).seconds
        lost = []
        delays = [whole * (1 - k / 40) for k in range(1, 21)]
        for delay in delays:
            for f, text in zip(("s.csv", "s.json"), before):
                open(os.path.join(d, f), "wb").write(text)
            r = self.run(d, "a.0", ["--csv", "s.csv", "--json", "s.json"], kill_after=delay,
                         pause=True)
            now = [open(os.path.join(d, f), "rb").read() for f in ("s.csv", "s.json")]
            if now != before:
                lost.append(round(delay, 3))
        flags = set(["data lost"]) if lost else set()
        self.record(cat, "kill -9 during runs (%d kills)" % len(delays), r, flags,
                    "outputs changed after kill at %s s" % lost if lost else
                    "outputs intact (kills %.2f..%.2f s, a run takes %.2f s)" % (
                        delays[-1], delays[0], whole))

    def hangs(self):
        cat = "4 hang"
        x = samples(64)
        d = self.folder("fifo job")
        os.mkfifo(os.path.join(d, "a.0"))
        r = self.run(d, "a.0", timeout=3)
        self.judge(cat, "FIFO as the job path", r, True, [["a.0"], ["regular", "not a file"]])
        d = self.folder("fifo data")
        os.mkfifo(os.path.join(d, "data.txt"))
        open(os.path.join(d, "a.0"), "wb").write(job_bytes())
        r = self.run(d, "a.0", timeout=3)
        self.judge(cat, "FIFO as the data path", r, True,
                   [["data.txt"], ["regular", "not a file"]])

        # Found by fuzzing: Akaike's iteration limit has no upper bound; on a record where the
        # stopping test (PER -999) never holds, every iteration runs (several us each).
        d = self.folder("akaike nit")
        rng = random.Random(3)
        tone = [math.cos(2 * math.pi * 0.1445 * i) + 0.027 * (rng.random() - 0.5)
                for i in range(120)]
        open(os.path.join(d, "data.txt"), "wb").write(data_bytes(tone))
        open(os.path.join(d, "a.0"), "wb").write(
            job_bytes(method="Akaike", npoles="4", nzeros="2", eps="1.e-15", m_eqs="20",
                      nit="2147483647", per="-999", window="-999", npoints="16384"))
        r = self.run(d, "a.0")
        self.judge(cat, "Akaike NIT 2147483647, PER -999", r, None, [["a.0"], ["nit"]])

    def memory(self):
        cat = "5 memory"
        x = samples(512)
        d = self.folder("baseline")
        open(os.path.join(d, "data.txt"), "wb").write(data_bytes(x))
        open(os.path.join(d, "a.0"), "wb").write(job_bytes(npts="512", npoints="512"))
        base = min((self.run(d, "a.0") for _ in range(3)), key=lambda r: r.max_rss_kb or 0)
        self.baseline = base

        d = self.folder("dev zero data")
        open(os.path.join(d, "a.0"), "wb").write(job_bytes(data_file="/dev/zero"))
        r = self.run(d, "a.0")
        self.judge(cat, "/dev/zero as the data path", r, True,
                   [["/dev/zero"], ["regular", "not a file"]],
                   note=mb(r.max_rss_kb))

        d = self.folder("big data")
        path = os.path.join(d, "data.txt")
        with open(path, "wb") as f:
            chunk = 100000
            head = data_bytes(x)
            f.write(head)
            for start in range(512, self.samples_big, chunk):
                f.write(b"".join(b"%d 0.5\n" % i
                                 for i in range(start, min(start + chunk, self.samples_big))))
        open(os.path.join(d, "a.0"), "wb").write(job_bytes(npts="512", npoints="512"))
        r = self.run(d, "a.0", ["--json", "s.json"])
        extra_mb = ((r.max_rss_kb or 0) - (base.max_rss_kb or 0)) / 1024
        flags = self.judge(cat, "%d-sample file, 512 used" % self.samples_big, r, False, (), d,
                           None, "s.json")
        note = "%+.1f MB over an empty run, %.2f s (empty run %.2f s)" % (
            extra_mb, r.seconds, base.seconds)
        if not flags and (extra_mb >= 20 or r.seconds >= 0.5):
            flags.add("over budget")
        self.results[-1] = (cat, self.results[-1][1], flags, r, note)
        os.remove(path)

    def nonsense(self):
        cat = "6 accepted nonsense"
        x = samples(64)
        cases = [
            ("Blackman-Tukey mode -1", dict(method="Blackman-Tukey", mode="-1", m_lags="16",
                                            window="-999"), [["mode"]]),
            ("Blackman-Tukey mode 2147483647",
             dict(method="Blackman-Tukey", mode="2147483647", m_lags="16", window="-999"),
             [["mode"]]),
            ("Burg order -5", dict(method="Burg", npoles="-5", window="-999"),
             [["npoles", "order", "poles"]]),
            ("Durbin zeros -3", dict(method="Durbin", nzeros="-3", l_pts="40", window="-999"),
             [["nzeros", "zeros", "order"]]),
        ]
        for name, change, tokens in cases:
            d = self.folder(name)
            open(os.path.join(d, "data.txt"), "wb").write(data_bytes(x))
            open(os.path.join(d, "a.0"), "wb").write(job_bytes(**change))
            r = self.run(d, "a.0", ["--json", "s.json"])
            self.judge(cat, name, r, True, [["a.0"]] + tokens, d, None, "s.json")

    def terse(self):
        cat = "7 terse messages"
        x = samples(64)
        for method in ("BURG", "burg", "B"):
            d = self.folder("method " + method)
            open(os.path.join(d, "data.txt"), "wb").write(data_bytes(x))
            open(os.path.join(d, "a.0"), "wb").write(job_bytes(method=method))
            r = self.run(d, "a.0")
            # The message names the method given and the accepted names.
            self.judge(cat, 'method "%s"' % method, r, True,
                       [['"%s"' % method, "'%s'" % method, ": %s" % method],
                        ["Periodogram"], ["Burg"]])
        setups = [
            ("missing data file", lambda d: None, ["no such file", "does not exist", "not found"]),
            ("directory as data path", lambda d: os.mkdir(os.path.join(d, "data.txt")),
             ["directory"]),
            ("symlink loop as data path",
             lambda d: os.symlink("data.txt", os.path.join(d, "data.txt")),
             ["symbolic links", "loop"]),
        ]
        for name, make, reason in setups:
            d = self.folder(name)
            make(d)
            open(os.path.join(d, "a.0"), "wb").write(job_bytes())
            r = self.run(d, "a.0")
            self.judge(cat, name, r, True, [["data.txt"], reason])

    def report_symlink(self):
        cat = "8 report symlink"
        d = self.folder("report symlink")
        open(os.path.join(d, "data.txt"), "wb").write(data_bytes(samples(64)))
        open(os.path.join(d, "a.0"), "wb").write(job_bytes())
        open(os.path.join(d, "victim.txt"), "wb").write(b"precious\n")
        os.symlink("victim.txt", os.path.join(d, "~Lumetra.out"))
        r = self.run(d, "a.0")
        flags = set()
        if r.hung:
            flags.add("hang")
        elif r.sig is not None:
            flags.add("crash")
        if open(os.path.join(d, "victim.txt"), "rb").read() != b"precious\n":
            flags.add("data lost")
        note = "victim overwritten" if "data lost" in flags else "victim intact (exit %s)" % r.code
        self.record(cat, "~Lumetra.out a symlink to victim.txt", r, flags, note)

    # ---- the table -----------------------------------------------------------------------

    def table(self):
        cats = []
        for cat, *_ in self.results:
            if cat not in cats:
                cats.append(cat)
        width = max(len(c) for c in cats) + 2
        head = "%-*s %5s " % (width, "category", "cases") + " ".join(
            "%*s" % (len(c), c) for c in COLUMNS)
        lines = [head, "-" * len(head)]
        total = [0] * (len(COLUMNS) + 1)
        for cat in cats:
            rows = [r for r in self.results if r[0] == cat]
            counts = [len(rows)] + [sum(1 for r in rows if c in r[2]) for c in COLUMNS]
            total = [a + b for a, b in zip(total, counts)]
            lines.append("%-*s %5d " % (width, cat, counts[0]) + " ".join(
                "%*d" % (len(c), n) for c, n in zip(COLUMNS, counts[1:])))
        lines.append("-" * len(head))
        lines.append("%-*s %5d " % (width, "total", total[0]) + " ".join(
            "%*d" % (len(c), n) for c, n in zip(COLUMNS, total[1:])))
        return "\n".join(lines)

    def details(self):
        lines = []
        for cat, case, flags, r, note in self.results:
            exit_ = ("signal %d" % r.sig if r.sig is not None else
                     "timeout" if r.hung else "exit %s" % r.code)
            msg = " | ".join(l.strip() for l in r.out.splitlines()
                             if l.startswith("specest-run:"))[:200]
            if not msg:
                msg = r.out.strip().splitlines()[0][:160] if r.out.strip() else ""
            lines.append("[%s] %s: %s, %.2f s, %s; %s%s%s" % (
                cat.split()[0], case, exit_, r.seconds, mb(r.max_rss_kb),
                ", ".join(sorted(flags)) or "-", "; " + note if note else "",
                "\n      " + msg if msg else ""))
        return "\n".join(lines)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("exe", help="path of specest-run")
    ap.add_argument("--timeout", type=float, default=10.0, help="seconds per run")
    ap.add_argument("--samples", type=int, default=10_000_000,
                    help="samples in the big data file")
    ap.add_argument("-v", "--verbose", action="store_true", help="print every case")
    ap.add_argument("--keep", action="store_true", help="keep the case folders")
    args = ap.parse_args()
    exe = os.path.abspath(args.exe)
    if not os.access(exe, os.X_OK):
        ap.error("%s is not an executable" % exe)
    a = Attack(exe, args.timeout, args.samples, args.verbose)
    try:
        for part in (a.wrong_results, a.crashes, a.outputs_destroyed, a.hangs, a.memory,
                     a.nonsense, a.terse, a.report_symlink):
            part()
        print(a.table())
        print()
        print(a.details())
    finally:
        if args.keep:
            print("case folders kept in", a.root)
        else:
            shutil.rmtree(a.root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
