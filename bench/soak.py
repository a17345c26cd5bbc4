"""The soak's driver; bench/soak.sh starts it (read that for what it does).

    soak.py --cli PATH --work DIR --minutes M --log FILE [--seed S] [--only N]
            [--max-runs N] [--stop-limit SECONDS]

Run N draws everything it does from the seed and N alone, so --only N does
it again (against output folders as this soak finds them).
"""

import argparse
import ctypes
import hashlib
import json
import os
import random
import shlex
import shutil
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import soak_inputs  # noqa: E402
import soak_readers  # noqa: E402

FORMATS = ["jpg", "tif", "bmp", "png", "gif", "pcx", "wmf", "emf", "tga", "jp2", "jpc", "ras"]
RASTER = {"jpg", "tif", "bmp", "png", "gif", "pcx", "tga", "jp2", "jpc", "ras"}
FINAL = {"Succeed", "Failed", "Aborted"}
CLI_FAULTS = ["kill-helper", "disk-full", "disk-fills", "second-process", "sigint", "sigint-twice",
              "sigterm", "sighup", "close-stdout", "remove-input", "replace-input", "read-only"]
WATCH_FAULTS = ["kill-helper", "disk-full", "remove-input", "replace-input", "read-only"]
WATCH_ENDS = ["sigint", "sigterm", "sighup", "close-stdout"]
PROMPT_STOPS = {"sigint-twice", "sigterm", "sighup", "close-stdout"}
TMPFS_BYTES = 24 << 20


def fsname(b):
    return os.fsdecode(b) if isinstance(b, bytes) else b


def loose(name):
    """A name with every character outside ASCII as '?': how a report that
    spells odd bytes its own way is matched to the input."""
    return "".join(c if ord(c) < 128 else "?" for c in name)


class Soak:
    def __init__(self, args):
        self.args = args
        self.cli = args.cli
        self.work = args.work
        self.stop_limit = args.stop_limit
        self.conversions = 0
        self.faults = 0
        self.violations = 0
        self.errors = 0
        self.log = open(args.log, "w", errors="backslashreplace")
        self.keep = args.log + ".runs"
        shutil.rmtree(self.keep, ignore_errors=True)
        self.pool = soak_inputs.make_pool()
        self.profile = os.path.join(self.work, "Profile.ini")
        open(self.profile, "w").close()
        self.tmpfs = os.path.join(self.work, "small")
        self.mounts = []
        self.root = os.geteuid() == 0
        if self.root:
            os.makedirs(self.tmpfs)
            self.mount(["-t", "tmpfs", "-o", "size=%d" % TMPFS_BYTES, "tmpfs", self.tmpfs])
        self.live = []  # every Proc started, for the clean-up
        self.outs = [os.path.join(self.work, "out", n) for n in ("one", "two")]
        for o in self.outs:
            os.makedirs(o)
        # Helpers whose program ended come back to this process.
        PR_SET_CHILD_SUBREAPER = 36
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)

    # --- mounts ---------------------------------------------------------
    def mount(self, argv):
        subprocess.run(["mount"] + argv, check=True)
        self.mounts.append(argv[-1])

    def umount(self, path):
        if path in self.mounts:
            subprocess.run(["umount", "-l", path], check=False)
            self.mounts.remove(path)

    def read_only(self, folder):
        self.mount(["--bind", folder, folder])
        subprocess.run(["mount", "-o", "remount,bind,ro", folder], check=False)

    def fill(self, leave):
        """Fill the small file system up to `leave` free bytes."""
        st = os.statvfs(self.tmpfs)
        free = st.f_bavail * st.f_frsize
        path = os.path.join(self.tmpfs, "filler-%d" % time.monotonic_ns())
        try:
            with open(path, "wb") as f:
                if free > leave:
                    os.posix_fallocate(f.fileno(), 0, free - leave)
        except OSError:
            pass

    def unfill(self):
        for n in os.listdir(self.tmpfs):
            if n.startswith("filler-"):
                os.unlink(os.path.join(self.tmpfs, n))

    def small_out(self):
        out = os.path.join(self.tmpfs, "out")
        os.makedirs(out, exist_ok=True)
        return out

    # --- reporting ------------------------------------------------------
    def violation(self, run, what, detail, replay):
        self.violations += 1
        self.log.write("[%s] %s\n    %s\n    replay: %s\n" % (run.name, what, detail, replay))
        self.log.flush()
        run.violated = True

    # --- processes ------------------------------------------------------
    def helpers(self, pids):
        """The interpreter helpers below the processes `pids` (and the ones
        handed back to this process)."""
        parent = {}
        for p in os.listdir("/proc"):
            if not p.isdigit():
                continue
            try:
                with open("/proc/%s/stat" % p) as f:
                    s = f.read()
                comm = s[s.index("(") + 1:s.rindex(")")]
                ppid = int(s[s.rindex(")") + 2:].split()[1])
            except (OSError, ValueError):
                continue
            parent[int(p)] = (ppid, comm)
        found = []
        for pid, (ppid, comm) in parent.items():
            if not comm.startswith("tessarin"):
                continue
            q = ppid
            while q > 1:
                if q in pids:
                    found.append(pid)
                    break
                q = parent.get(q, (0, ""))[0]
        return found

    def orphans(self):
        me = os.getpid()
        return [p for p in self.helpers({me})
                if open("/proc/%d/stat" % p).read().split(") ")[1].split()[1] == str(me)]

    def start(self, argv, env, stdout_path, stderr_path):
        with open(stdout_path.replace("stdout", "command"), "w", errors="surrogateescape") as f:
            f.write("TMPDIR=%s %s\n" % (shlex.quote(env["TMPDIR"]),
                                        " ".join(shlex.quote(fsname(a)) for a in argv)))
        proc = Proc(argv, env, stdout_path, stderr_path)
        self.live = [p for p in self.live if p.alive()] + [proc]
        with open(os.path.join(self.work, "pids"), "a") as f:
            f.write("%d\n" % proc.p.pid)
        return proc

    def end_all(self):
        """Kill what the soak started and still runs, helpers included."""
        pids = {p.p.pid for p in self.live if p.alive()}
        helpers = self.helpers(pids | {os.getpid()})
        for p in self.live:
            if p.alive():
                p.killed = True
                p.kill()
        for h in helpers:
            try:
                os.kill(h, signal.SIGKILL)
            except ProcessLookupError:
                pass
        for m in list(self.mounts):
            self.umount(m)

    def reap(self):
        while True:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                return
            if pid == 0:
                return


def snapshot(folders):
    """path -> (inode, size, mtime) of every file, and the set of folders."""
    files, dirs = {}, set()
    for top in folders:
        for d, subdirs, names in os.walk(top):
            dirs.add(d)
            for n in names:
                p = os.path.join(d, n)
                try:
                    st = os.lstat(p)
                except OSError:
                    continue
                files[p] = (st.st_ino, st.st_size, st.st_mtime_ns)
    return files, dirs


def sha(path):
    try:
        with open(path, "rb") as f:
            return hashlib.sha1(f.read()).hexdigest()
    except OSError:
        return None


class Proc:
    """One vantoria-cli: its standard output read line by line."""

    def __init__(self, argv, env, stdout_path, stderr_path):
        self.argv = argv
        self.lines = []
        self.closed_at = None
        self.close_now = threading.Event()
        self.err = open(stderr_path, "wb")
        self.out_copy = open(stdout_path, "wb")
        self.p = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  stderr=self.err, start_new_session=True)
        self.started = time.monotonic()
        self.ended = None
        self.signals = []
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        import select
        fd = self.p.stdout.fileno()
        buf = b""
        while True:
            if self.close_now.is_set():
                self.p.stdout.close()
                self.closed_at = time.monotonic()
                return
            r, _, _ = select.select([fd], [], [], 0.05)
            if not r:
                continue
            chunk = os.read(fd, 65536)
            if not chunk:
                break
            self.out_copy.write(chunk)
            buf += chunk
            while b"\n" in buf:
                line, buf = buf.split(b"\n", 1)
                self.lines.append(os.fsdecode(line))
        self.out_copy.flush()

    def alive(self):
        if self.ended is None and self.p.poll() is not None:
            self.ended = time.monotonic()
        return self.ended is None

    def signal(self, sig):
        if self.alive():
            self.p.send_signal(sig)
            self.signals.append((sig, time.monotonic()))
            return True
        return False

    def kill(self):
        try:
            os.killpg(self.p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.p.wait()
        self.alive()

    def finish(self):
        self.thread.join(timeout=5)
        self.err.close()
        self.out_copy.close()


class Run:
    """One run of the CLI or one stretch of the watched folder: what was
    planned, what happened, and its verdicts."""

    def __init__(self, soak, n, kind):
        self.soak = soak
        self.n = n
        self.name = "%s%04d" % (kind, n)
        self.rng = random.Random("%s-%d" % (soak.args.seed, n))
        self.dir = os.path.join(soak.work, "runs", self.name)
        os.makedirs(self.dir)
        self.violated = False
        self.faults = []        # (seconds after start, fault) as injected
        self.procs = []
        self.stops = []         # (kind, monotonic time) of stop requests
        self.slow_flagged = set()
        self.notes = []

    def replay(self):
        a = self.soak.args
        return "bench/soak.sh --seed %s --only %d %s   # %s; faults %s" % (
            a.seed, self.n, shlex.quote(os.path.dirname(a.cli)), " ".join(self.notes),
            ", ".join("%s at %.1f s" % (f, t) for t, f in self.faults) or "none")

    def bad(self, what, detail):
        self.soak.violation(self, what, detail, self.replay())

    def options(self):
        """The output options of this run, drawn at random."""
        r = self.rng
        kind = r.choice(["pdf", "text", "image", "image", "image"])
        argv = ["--kind", kind]
        self.kind, self.format, self.multipage, self.each = kind, None, False, False
        if kind == "image":
            self.format = r.choice(FORMATS)
            self.multipage = self.format == "tif" and r.random() < 0.5
            self.each = r.random() < 0.3
            self.dpi = r.choice([72, 96])
            argv += ["--format", self.format, "--set", "Img.xdpi=%d" % self.dpi,
                     "--set", "Img.ydpi=%d" % self.dpi]
            if self.multipage:
                argv += ["--set", "Img.multpage=1"]
            if self.each:
                argv += ["--set", "Img.each=1"]
        self.overwrite = r.random() < 0.7
        argv.append("--overwrite" if self.overwrite else "--new-if-exists")
        self.jobs = r.choice([1, 2])
        argv += ["--jobs", str(self.jobs)]
        self.notes.append("%s%s%s%s, %s, --jobs %d" % (
            kind, " " + self.format if self.format else "", " multi-page" if self.multipage else "",
            " folder per file" if self.each else "",
            "--overwrite" if self.overwrite else "--new-if-exists", self.jobs))
        return argv

    def pick_docs(self, count, allow_refused=True):
        r = self.rng
        heavy_ok = self.kind == "image" and self.format in ("jp2", "jpc", "tif", "png") and \
            r.random() < 0.08
        pool = [d for d in self.soak.pool if (heavy_ok or not d.heavy) and
                (allow_refused or d.outcome != "refused")]
        picked = []
        for d in r.sample(pool, min(count, len(pool))):
            if all((p.sub, p.name) != (d.sub, d.name) for p in picked):
                picked.append(d)
        return picked

    def expect_failure(self, doc):
        """True when `doc` can't be converted with this run's options."""
        if doc.outcome in ("fail", "loop", "refused"):
            return True
        if doc.outcome == "toolong":
            return self.kind == "image" and not self.multipage
        return False

    # --- the conversion's outputs ------------------------------------------
    def content_problem(self, outputs, doc):
        """Why `outputs` are not a complete conversion of `doc` (empty when
        they are)."""
        if not outputs:
            return "no outputs listed"
        infos = []
        for o in outputs:
            problem, info = soak_readers.check_file(o)
            if problem:
                return "%s: %s" % (o, problem)
            infos.append(info)
        if self.kind == "pdf":
            if infos[0].get("pages") != doc.pages or doc.marker not in infos[0].get("text", ""):
                return "PDF of %s pages without %s's text" % (infos[0].get("pages"), doc.key)
            return ""
        if self.kind == "text":
            return "" if doc.marker in infos[0]["text"] else "text without %s's marker" % doc.key
        pages = infos[0].get("pages", 0) if self.multipage else len(outputs)
        if pages != doc.pages:
            return "%d page(s) for %s's %d" % (pages, doc.key, doc.pages)
        if self.format in RASTER:
            w = round(doc.width * self.dpi / 72)
            h = round(doc.height * self.dpi / 72)
            for o, info in zip(outputs, infos):
                if abs(info.get("width", 0) - w) > 1 or abs(info.get("height", 0) - h) > 1:
                    return "%s is %sx%s, %s's pages are %dx%d" % (
                        os.path.basename(o), info.get("width"), info.get("height"), doc.key, w, h)
        return ""

    # --- after the program ended -------------------------------------------
    def read_only(self):
        self.ro_since = time.time_ns()
        self.soak.read_only(self.out)
        return True

    def stuck(self, path, mtime_ns=None):
        """True for a file or folder made before the output folder turned
        read-only: the program could not have removed it."""
        since = getattr(self, "ro_since", None)
        if since is None:
            return False
        if mtime_ns is None:
            try:
                mtime_ns = os.lstat(path).st_mtime_ns
            except OSError:
                return False
        return mtime_ns < since

    def killed(self):
        return any(getattr(p, "killed", False) for p in self.procs)

    def check_end(self, watched, tmpdirs):
        """What must hold once every process of the run has ended: nothing
        more is written, no helper lives on, no temporary is left. After the
        soak had to kill the program, what it left is not held against it."""
        if self.killed():
            for p in self.soak.orphans():
                os.kill(p, signal.SIGKILL)
            time.sleep(0.2)
            self.soak.reap()
            return
        snap_end = snapshot(watched)[0]
        time.sleep(1.0)
        snap_late = snapshot(watched)[0]
        late = sorted(p for p in set(snap_end) | set(snap_late)
                      if snap_end.get(p) != snap_late.get(p))
        if late:
            self.bad("written after the program ended", ", ".join(late[:8]))
        orphans = self.soak.orphans()
        if orphans:
            self.bad("interpreter helper still running after the program ended",
                     "pids %s" % orphans)
            for p in orphans:
                try:
                    os.kill(p, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            time.sleep(0.2)
            self.soak.reap()
        left = []
        for t in tmpdirs:
            for d, _, names in os.walk(t):
                left += [os.path.join(d, n) for n in names] + ([d] if d != t else [])
        if left:
            self.bad("temporary files left", ", ".join(sorted(left)[:8]))
        hidden = [p for p in snap_late if os.path.basename(p).startswith(".vantoria-")
                  and p not in self.before[0] and not self.stuck(p, snap_late[p][2])]
        if hidden:
            self.bad("hidden temporaries left beside the outputs", ", ".join(hidden[:8]))

    def check_exit(self, proc):
        rc = proc.p.returncode
        if rc is not None and rc < 0 and not getattr(proc, "killed", False):
            self.bad("program ended by a signal", "signal %d; %s" % (-rc, proc.argv[0]))

    def check_stop_times(self):
        """A stop that must be prompt ended the program within the limit."""
        for proc in self.procs:
            if proc.ended is None:
                continue
            for kind, t in self.stops:
                if kind in PROMPT_STOPS:
                    took = proc.ended - t
                    if took > self.soak.stop_limit and kind not in self.slow_flagged:
                        self.slow_flagged.add(kind)
                        self.bad("stop not prompt", "%s: the program ended %.1f s later (limit "
                                 "%.1f s)%s" % (kind, took, self.soak.stop_limit,
                                                "; the soak killed it" if getattr(
                                                    proc, "killed", False) else ""))
                    break

    # --- faults ---------------------------------------------------------------
    def stop(self, kind):
        """Send the stop `kind` to every process of the run still going."""
        sent = False
        for proc in self.procs:
            if not proc.alive():
                continue
            sent = True
            if kind == "close-stdout":
                proc.close_now.set()
            else:
                sig = {"sigint": signal.SIGINT, "sigint-twice": signal.SIGINT,
                       "sigterm": signal.SIGTERM, "sighup": signal.SIGHUP}[kind]
                proc.signal(sig)
        if sent:
            self.stops.append((kind, time.monotonic()))
        return sent

    def kill_helper(self):
        pids = self.soak.helpers({p.p.pid for p in self.procs if p.alive()})
        if not pids:
            return None
        try:
            os.kill(self.rng.choice(pids), signal.SIGKILL)
        except ProcessLookupError:
            return None
        return True

    def drive(self, schedule, first_stop_limit=25.0, cap=150.0):
        """Run `schedule` ([seconds, label, action]) against the run's
        processes until all have ended. An action returning None is tried
        again a little later, False means it did not happen."""
        start = self.procs[0].started
        pending = sorted(schedule, key=lambda e: e[0])
        flagged = set()
        while any(p.alive() for p in self.procs):
            now = time.monotonic()
            while pending and pending[0][0] <= now - start:
                t, label, action = pending.pop(0)
                done = action()
                if done is None:
                    pending.append([now - start + 0.3, label, action])
                    pending.sort(key=lambda e: e[0])
                elif done and not label.startswith("drop"):
                    self.faults.append((now - start, label))
                    self.soak.faults += 1
            firsts = [t for k, t in self.stops if k == "sigint"]
            prompts = [t for k, t in self.stops if k in PROMPT_STOPS or k == "sigint-again"]
            if firsts and not prompts and now - firsts[0] > first_stop_limit:
                self.bad("Ctrl+C did not stop the run", "still running %.0f s after SIGINT"
                         % first_stop_limit)
                self.stop("sigterm")
            elif prompts and now - prompts[0] > 15 and "kill" not in flagged:
                flagged.add("kill")  # check_stop_times says so
                for p in self.procs:
                    p.killed = True
                    p.kill()
            elif not self.stops and now - start > cap:
                self.notes.append("stopped with SIGINT after %.0f s" % cap)
                self.stop("sigint")
            time.sleep(0.05)
        for p in self.procs:
            p.finish()


class CliRun(Run):
    """vantoria-cli on a few inputs, faults at random times."""

    def __init__(self, soak, n):
        super().__init__(soak, n, "run")
        r = self.rng
        self.argv_opts = self.options()
        count = r.choice([0, 1, 2]) + r.choice([1, 1, 2, 3])
        self.docs = self.pick_docs(count)
        k = r.choice([0, 1, 1, 1, 2])
        faults = [f for f in CLI_FAULTS if soak.root or f not in ("disk-full", "disk-fills",
                                                                     "read-only")]
        self.planned = r.sample(faults, k)
        if "disk-full" in self.planned and "disk-fills" in self.planned:
            self.planned.remove("disk-fills")
        self.times = {f: r.uniform(0.2, 4.0) for f in self.planned}
        self.times["second-process"] = r.uniform(0.0, 1.5)
        self.second_argv_jobs = r.choice([1, 2])
        self.leave = r.choice([0, 4096, 65536, 1 << 19, 2 << 20])
        self.victim = r.randrange(1000)
        self.replacement = r.choice([d for d in soak.pool if d.outcome == "ok" and not d.heavy])
        self.stop_delay = r.uniform(2.0, 8.0)
        self.twice_delay = r.uniform(0.2, 2.0)
        self.pre = r.random() < 0.4

    def prepare_out(self):
        s = self.soak
        if any(f.startswith("disk") for f in self.planned):
            s.unfill()
            st = os.statvfs(s.tmpfs)
            if st.f_bavail < st.f_blocks * 0.6:
                shutil.rmtree(s.small_out(), ignore_errors=True)
            out = s.small_out()
        else:
            out = self.rng.choice(s.outs)
            if sum(len(ns) for _, _, ns in os.walk(out)) > 300:
                shutil.rmtree(out)
                os.makedirs(out)
        return out

    def prerun(self, env):
        """Convert, with the run's own options, good documents of the same
        names as its inputs into its output folder, so that existing outputs
        are at stake. Not judged: it only sets the stage."""
        s = self.soak
        folder = os.path.join(self.dir, "pre").encode()
        twins = [soak_inputs.place(d.twin or d, folder) for d in self.docs
                 if d.outcome in ("ok", "fail", "loop")]
        tmp = os.path.join(self.dir, "tmp-pre")
        os.makedirs(tmp)
        argv = [s.cli, "--profile", s.profile, "-q"] + self.argv_opts + ["--output", self.out]
        proc = s.start(argv + twins, dict(env, TMPDIR=tmp), os.path.join(self.dir, "stdout-pre"),
                       os.path.join(self.dir, "stderr-pre"))
        try:
            proc.p.wait(timeout=60)
        except subprocess.TimeoutExpired:
            proc.killed = True
            proc.kill()
        proc.finish()
        shutil.rmtree(tmp, ignore_errors=True)
        self.notes.append("after a run of their good twins")

    def start(self):
        s = self.soak
        self.out = self.prepare_out()
        if self.pre:
            self.prerun(dict(os.environ, LC_ALL="C.UTF-8"))
        if "disk-full" in self.planned:
            s.fill(self.leave)
            self.faults.append((0.0, "disk-full"))
            s.faults += 1
        folder = os.path.join(self.dir, "in").encode()
        self.inputs = [soak_inputs.place(d, folder) for d in self.docs]
        self.accepted = {p: [d] for p, d in zip(self.inputs, self.docs)}
        self.before = snapshot([self.out])
        env = dict(os.environ, LC_ALL="C.UTF-8")
        for i, jobs in enumerate([self.jobs, self.second_argv_jobs][:1 + ("second-process" in
                                                                      self.planned)]):
            tmp = os.path.join(self.dir, "tmp%d" % i)
            os.makedirs(tmp)
            argv = [s.cli, "--profile", s.profile] + self.argv_opts + [
                "--output", self.out, "--report", os.path.join(self.dir, "report%d.jsonl" % i)]
            if i:
                argv[argv.index("--jobs") + 1] = str(jobs)
                time.sleep(self.times["second-process"])
            self.procs.append(s.start(argv + self.inputs, dict(env, TMPDIR=tmp),
                                      os.path.join(self.dir, "stdout%d" % i),
                                      os.path.join(self.dir, "stderr%d" % i)))
        if self.procs[1:]:
            self.faults.append((self.times["second-process"], "second-process"))
            s.faults += 1
        self.notes.insert(0, "%d input(s): %s" % (len(self.docs),
                                                  " ".join(d.key for d in self.docs)))

    def schedule(self):
        s, t = self.soak, self.times
        events = []
        regular = [p for p, d in zip(self.inputs, self.docs) if d.outcome != "refused"]
        for f in self.planned:
            if f == "kill-helper":
                events.append([t[f], f, self.kill_helper])
            elif f == "disk-fills":
                events.append([t[f], f, lambda: s.fill(self.rng.randrange(65536)) or True])
            elif f in ("sigint", "sigterm", "sighup", "close-stdout"):
                events.append([t[f], f, lambda f=f: self.stop(f)])
            elif f == "sigint-twice":
                events.append([t[f], "sigint", lambda: self.stop("sigint")])
                events.append([t[f] + self.twice_delay, f, lambda: self.stop("sigint-twice")])
            elif f in ("remove-input", "replace-input") and regular:
                victim = regular[self.victim % len(regular)]
                events.append([t[f], f, lambda f=f, v=victim: self.change_input(f, v)])
            elif f == "read-only":
                events.append([t[f], f, self.read_only])
        if any(d.outcome == "loop" for d in self.docs) and not any(
                f in self.planned for f in ("sigint", "sigint-twice", "sigterm", "sighup",
                                            "close-stdout")):
            events.append([self.stop_delay, "stop", lambda: self.stop("sigint")])
        return events

    def change_input(self, fault, path):
        if not any(p.alive() for p in self.procs):
            return False
        if fault == "remove-input":
            os.unlink(path)
        else:
            tmp = path + b".new"
            with open(tmp, "wb") as f:
                f.write(self.replacement.body)
            os.rename(tmp, path)
            self.accepted[path].append(self.replacement)
        self.changed = getattr(self, "changed", set()) | {path}
        return True

    def go(self):
        self.start()
        try:
            self.drive(self.schedule())
        finally:
            self.soak.umount(self.out)
        self.soak.conversions += len(self.inputs) * len(self.procs)
        self.check_end([self.out],
                       [os.path.join(self.dir, "tmp%d" % i) for i in range(len(self.procs))])
        for proc in self.procs:
            self.check_exit(proc)
        self.check_stop_times()
        rows = [self.check_rows(i, proc) for i, proc in enumerate(self.procs)]
        self.check_outputs(rows)
        if self.violated:
            keep = os.path.join(self.soak.keep, self.name)
            os.makedirs(keep, exist_ok=True)
            for n in os.listdir(self.dir):
                if os.path.isfile(os.path.join(self.dir, n)):
                    shutil.copy(os.path.join(self.dir, n), keep)
        shutil.rmtree(self.dir, ignore_errors=True)
        if any(f.startswith("disk") for f in self.planned):
            self.soak.unfill()

    def check_rows(self, i, proc):
        """Every input of process `i` has one final row in its report and
        its line on standard output; the statuses are the true ones."""
        by_name = {}
        for p in self.inputs:
            by_name[fsname(p)] = p
            by_name.setdefault(loose(fsname(p)), p)
        entries = {p: [] for p in self.inputs}
        try:
            with open(os.path.join(self.dir, "report%d.jsonl" % i), encoding="utf-8",
                      errors="surrogateescape") as f:
                for line in f:
                    e = json.loads(line)
                    p = by_name.get(e["input"]) or by_name.get(loose(e["input"]))
                    if p is None:
                        self.bad("report names an input that was not given", e["input"])
                    else:
                        entries[p].append(e)
        except (OSError, ValueError) as e:
            self.bad("report unreadable", str(e))
        killed = getattr(proc, "killed", False)
        closed = any(k == "close-stdout" for k, _ in self.stops)
        stopped = bool(self.stops)
        rows = {}
        for p, doc in zip(self.inputs, self.docs):
            es = entries[p]
            name = fsname(p)
            if len(es) != 1:
                if not killed:
                    self.bad("input without exactly one report row",
                             "%s (%s): %d rows" % (name, doc.key, len(es)))
                continue
            e = es[0]
            rows[p] = e
            status = e.get("status")
            if status == "Ready":
                if not stopped:
                    self.bad("input never reached in a run that was not stopped", name)
                continue
            if status not in FINAL:
                self.bad("row without a final status", "%s (%s) reads %r" % (name, doc.key, status))
            if not closed and not killed and not any(
                    l.startswith("%s  %s" % (status, name)) for l in proc.lines):
                self.bad("no line on standard output", "%s (%s) %s" % (name, doc.key, status))
            self.check_outcome(p, doc, e)
        return rows

    def check_outcome(self, path, doc, e):
        status, reason = e.get("status"), e.get("reason", "")
        original = len(self.accepted[path]) == 1 and path not in getattr(self, "changed", set())
        if status == "Succeed" and original and self.expect_failure(doc):
            self.bad("failure reported as success", "%s (%s)" % (fsname(path), doc.key))
        if not self.faults and not self.stops and original and status != "Succeed" and \
                not self.expect_failure(doc):
            self.bad("a valid input failed in a run without faults",
                     "%s (%s): %s %s" % (fsname(path), doc.key, status, reason))
        if status == "Failed" and "(code -" in reason:
            self.bad("reason gives a bare code", "%s: %s" % (doc.key, reason))
        if status == "Failed" and reason == "can't write the image" and \
                any(f.startswith("disk") for _, f in self.faults):
            self.bad("a full disk reads as another reason", "%s: %s" % (doc.key, reason))

    def owner(self, rows, path):
        """The input an output file belongs to, with its row, for the log."""
        rel = os.path.relpath(path, self.out)
        best = None
        for p, doc in zip(self.inputs, self.docs):
            base = fsname(os.path.splitext(os.path.basename(p))[0])
            if rel.startswith(base) and (best is None or len(base) > len(best[0])):
                rs = [r[p] for r in rows if p in r]
                best = (base, "%s %s" % (doc.key, "/".join(
                    "%s: %s" % (x.get("status"), x.get("reason")) for x in rs)))
        return best[1] if best else "no input"

    def check_outputs(self, rows):
        """Succeed rows have complete outputs of their input; nothing else
        was written, replaced or removed."""
        allowed = {}
        succeeded = []
        for r in rows:
            for p, e in r.items():
                if e.get("status") == "Succeed":
                    succeeded.append((p, e))
                    for o in e.get("outputs", []):
                        allowed.setdefault(os.path.normpath(o), []).extend(self.accepted[p])
        for p, e in succeeded:
            outputs = [os.path.normpath(o) for o in e.get("outputs", [])]
            candidates = list(self.accepted[p])
            for o in outputs:
                candidates += [d for d in allowed.get(o, []) if d not in candidates]
            problems = [self.content_problem(outputs, d) for d in candidates]
            if all(problems):
                self.bad("Succeed row without complete outputs of its input",
                         "%s (%s): %s" % (fsname(p), self.accepted[p][0].key, problems[0]))
        if self.killed():
            return
        files, dirs = snapshot([self.out])
        before_files, before_dirs = self.before
        changed = [p for p in files if before_files.get(p) != files[p] and p not in allowed and
                   not os.path.basename(p).startswith(".vantoria-")]
        left = [p for p in changed if p not in before_files and not self.stuck(p, files[p][2])]
        replaced = [p for p in changed if p in before_files]
        removed = [p for p in before_files if p not in files]
        for what, paths in (("left behind by a row that did not succeed", left),
                            ("existing output replaced by a row that did not succeed", replaced),
                            ("existing output removed", removed)):
            if paths:
                owners = sorted({self.owner(rows, p) for p in paths})
                self.bad(what, "%d file(s), e.g. %s; from %s" % (
                    len(paths), ", ".join(os.path.relpath(p, self.out) for p in sorted(paths)[:4]),
                    "; ".join(owners)[:600]))
        empty = [d for d in dirs - before_dirs
                 if not any(f.startswith(d + "/") for f in files) and not self.stuck(d)]
        if empty:
            self.bad("empty folder left", ", ".join(os.path.relpath(d, self.out) for d in empty[:4]))


class WatchRun(Run):
    """vantoria-cli --watch for a stretch of time: files dropped into its
    folder, faults at random times, then one of its stops."""

    def __init__(self, soak, n, seconds):
        super().__init__(soak, n, "watch")
        r = self.rng
        self.argv_opts = self.options()
        self.duration = max(4.0, min(seconds, r.uniform(8, 20)))
        faults = [f for f in WATCH_FAULTS if soak.root or f not in ("disk-full", "read-only")]
        self.planned = r.sample(faults, r.choice([0, 1, 1, 2]))
        self.end = r.choice(WATCH_ENDS)
        pool = [d for d in soak.pool if d.outcome in ("ok", "fail", "loop") and not d.heavy
                and d.key not in ("long",)]
        weights = [0.3 if d.outcome == "loop" else 1.0 for d in pool]
        self.drops = []
        t = 0.3
        while t < self.duration - 1:
            self.drops.append({"t": t, "doc": r.choices(pool, weights)[0],
                               "hidden": r.random() < 0.5, "docs": [], "removed": False})
            t += r.uniform(0.4, 2.5)
        self.times = {f: r.uniform(0.5, self.duration) for f in self.planned}
        self.victim = r.randrange(1000)
        self.replacement = r.choice([d for d in soak.pool if d.outcome == "ok" and not d.heavy])
        self.notes.append("%d drops over %.0f s, ended by %s" % (len(self.drops), self.duration,
                                                                 self.end))

    def drop_name(self, k, drop):
        return b"w%04d_%02d_" % (self.n, k) + drop["doc"].name

    def drop(self, k):
        d = self.drops[k]
        name = self.drop_name(k, d)
        path = os.path.join(self.inbox, name)
        write = os.path.join(self.inbox, b".part-" + name) if d["hidden"] else path
        with open(write, "wb") as f:
            f.write(d["doc"].body)
        if write != path:
            os.rename(write, path)
        d["docs"].append(d["doc"])
        d["hash"] = sha(path)
        return True

    def change(self, fault):
        made = [(k, d) for k, d in enumerate(self.drops) if d["docs"] and not d["removed"]]
        if not made or not self.procs[0].alive():
            return None if self.procs[0].alive() else False
        k, d = made[self.victim % len(made)]
        path = os.path.join(self.inbox, self.drop_name(k, d))
        if not os.path.exists(path):
            return False
        if fault == "remove-input":
            os.unlink(path)
            d["removed"] = True
        else:
            tmp = os.path.join(self.inbox, b".new-" + self.drop_name(k, d))
            with open(tmp, "wb") as f:
                f.write(self.replacement.body)
            os.rename(tmp, path)
            d["docs"].append(self.replacement)
            d["hash"] = sha(path)
            d["replaced"] = True
        return True

    def go(self):
        s = self.soak
        if "disk-full" in self.planned:
            s.unfill()
            shutil.rmtree(s.small_out(), ignore_errors=True)
            self.out = s.small_out()
            s.fill(self.rng.choice([0, 65536, 1 << 20]))
        else:
            self.out = self.rng.choice(s.outs)
        self.inbox = os.path.join(self.dir, "in").encode()
        os.makedirs(self.inbox)
        self.before = snapshot([self.out])
        tmp = os.path.join(self.dir, "tmp0")
        os.makedirs(tmp)
        argv = [s.cli, "--profile", s.profile] + self.argv_opts + [
            "--watch", fsname(self.inbox), "--output", self.out]
        self.procs.append(s.start(argv, dict(os.environ, LC_ALL="C.UTF-8", TMPDIR=tmp),
                                  os.path.join(self.dir, "stdout0"),
                                  os.path.join(self.dir, "stderr0")))
        events = [[d["t"], "drop", lambda k=k: self.drop(k)] for k, d in enumerate(self.drops)]
        for f, t in self.times.items():
            if f == "kill-helper":
                events.append([t, f, self.kill_helper])
            elif f in ("remove-input", "replace-input"):
                events.append([t, f, lambda f=f: self.change(f)])
            elif f == "read-only":
                events.append([t, f, self.read_only])
            elif f == "disk-full":
                self.faults.append((0.0, f))
                s.faults += 1
        events.append([self.duration, self.end, lambda: self.stop(self.end)])
        try:
            self.drive(events)
        finally:
            s.umount(self.out)
        made = [d for d in self.drops if d["docs"]]
        s.conversions += len(made)
        self.check_end([self.out, fsname(self.inbox)], [tmp])
        proc = self.procs[0]
        self.check_exit(proc)
        if proc.p.returncode not in (0, None) and proc.p.returncode > 0 and \
                not getattr(proc, "killed", False):
            self.bad("watch ended with an error status", "status %d" % proc.p.returncode)
        self.check_stop_times()
        statuses = self.check_lines(proc)
        self.check_sources()
        self.check_watch_outputs(statuses)
        if self.violated:
            keep = os.path.join(s.keep, self.name)
            os.makedirs(keep, exist_ok=True)
            for n in ("stdout0", "stderr0"):
                shutil.copy(os.path.join(self.dir, n), keep)
        shutil.rmtree(self.dir, ignore_errors=True)
        if "disk-full" in self.planned:
            s.unfill()

    def check_lines(self, proc):
        """Each line is a final status; the last status of each drop."""
        by_name = {fsname(self.drop_name(k, d)): k for k, d in enumerate(self.drops)}
        statuses = {}
        for line in proc.lines:
            status, _, rest = line.partition("  ")
            path, _, reason = rest.partition(": ")
            k = by_name.get(os.path.basename(path))
            if k is None:
                continue
            if status not in FINAL:
                self.bad("row without a final status", line)
            statuses[k] = (status, reason)
            d = self.drops[k]
            original = not d.get("replaced")
            if status == "Succeed" and original and d["doc"].outcome != "ok":
                self.bad("failure reported as success", line)
            if status == "Failed" and original and d["doc"].outcome == "ok" and \
                    not [f for _, f in self.faults if f != self.end]:
                self.bad("a valid input failed in a run without faults", line)
            if status == "Failed" and "(code -" in reason:
                self.bad("reason gives a bare code", line)
        return statuses

    def check_sources(self):
        """No source is lost: each one is in the folder, in done/ or in
        failed/ (with its reason)."""
        found = set()
        for sub in (b"", b"done", b"failed"):
            folder = os.path.join(self.inbox, sub)
            if not os.path.isdir(folder):
                continue
            for n in os.listdir(folder):
                p = os.path.join(folder, n)
                if not soak_inputs.is_regular(p) or n.endswith(b".reason"):
                    continue
                found.add(sha(p))
                if sub == b"failed" and not os.path.exists(p + b".reason"):
                    self.bad("failed source without its reason", fsname(p))
        for k, d in enumerate(self.drops):
            if d["docs"] and not d["removed"] and d["hash"] not in found:
                self.bad("source lost", fsname(self.drop_name(k, d)))

    def check_watch_outputs(self, statuses):
        if self.killed():
            return
        files, dirs = snapshot([self.out])
        before_files, before_dirs = self.before
        changed = [p for p in files if before_files.get(p) != files[p]
                   and not os.path.basename(p).startswith(".vantoria-")]
        by_drop = {}
        for p in changed:
            first = os.path.relpath(p, self.out).split("/")[0]
            if first.startswith("w%04d_" % self.n):
                by_drop.setdefault(int(first.split("_")[1]), []).append(p)
            else:
                self.bad("existing output replaced", os.path.relpath(p, self.out))
        removed = [p for p in before_files if p not in files]
        if removed:
            self.bad("existing output removed", ", ".join(removed[:4]))
        left = []
        for k, paths in sorted(by_drop.items()):
            d = self.drops[k]
            status = statuses.get(k, ("none", ""))
            if status[0] != "Succeed":
                if all(self.stuck(p, files[p][2]) for p in paths):
                    continue
                left.append("%s (%s %s: %s)" % (os.path.relpath(sorted(paths)[0], self.out),
                                                d["doc"].key, status[0], status[1]))
                continue
            if d.get("replaced"):
                problems = [soak_readers.check_file(p)[0] for p in paths]
                problems = [x for x in problems if x]
            else:
                problems = [self.content_problem(sorted(paths), d["doc"])]
                problems = [x for x in problems if x]
            if problems:
                self.bad("Succeed row without complete outputs of its input",
                         "%s: %s" % (d["doc"].key, problems[0]))
        if left:
            self.bad("left behind by a row that did not succeed",
                     "%d row(s), e.g. %s" % (len(left), "; ".join(left[:4])))
        empty = [x for x in dirs - before_dirs
                 if not any(f.startswith(x + "/") for f in files) and not self.stuck(x)]
        if empty:
            self.bad("empty folder left", ", ".join(os.path.relpath(x, self.out) for x in empty[:4]))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--minutes", type=float, default=2.0)
    ap.add_argument("--log", required=True)
    ap.add_argument("--seed", default=str(random.randrange(1 << 30)))
    ap.add_argument("--only", type=int)
    ap.add_argument("--max-runs", type=int, default=100000)
    ap.add_argument("--stop-limit", type=float, default=3.0)
    args = ap.parse_args()
    soak = Soak(args)
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: sys.exit(130))
    deadline = time.monotonic() + args.minutes * 60
    n = args.only if args.only is not None else 0
    runs = 0
    interrupted = False
    print("soak: seed %s, %g minute(s), violations to %s" % (args.seed, args.minutes, args.log),
          file=sys.stderr, flush=True)
    try:
        while runs < args.max_runs and (time.monotonic() < deadline or (args.only is not None
                                                                       and runs == 0)):
            left = max(5.0, deadline - time.monotonic())
            if random.Random("%s-%d-kind" % (args.seed, n)).random() < 0.12:
                run = WatchRun(soak, n, left)
            else:
                run = CliRun(soak, n)
            try:
                run.go()
            except Exception:  # a fault of the soak itself: say so, go on
                import traceback
                soak.errors += 1
                soak.log.write("[%s] soak error (not a violation)\n%s" % (
                    run.name, traceback.format_exc()))
                soak.end_all()
            runs += 1
            soak.reap()
            if args.only is not None:
                break
            n += 1
    except SystemExit:
        interrupted = True
        print("soak: interrupted", file=sys.stderr)
    finally:
        soak.end_all()
    line = "%d conversions, %d faults, %d violations" % (soak.conversions, soak.faults,
                                                         soak.violations)
    if soak.errors:
        print("soak: %d run(s) ended by an error of the soak itself, see %s" % (
            soak.errors, args.log), file=sys.stderr)
    soak.log.write(line + "\n")
    soak.log.close()
    print(line)
    return 130 if interrupted else 1 if soak.violations else 0


if __name__ == "__main__":
    sys.exit(main())
