# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

"""The soak's machinery (see bench/soak.sh): the small file system and the
read-only mounts, the processes it starts and the helpers below them, and
what every run checks once its program has ended."""

import ctypes
import hashlib
import os
import random
import select
import shlex
import shutil
import signal
import subprocess
import threading
import time

import soak_inputs
import soak_readers

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
        self.time_limit = args.time_limit
        self.memory_limit = args.memory_limit
        self.pool = soak_inputs.make_pool(self.memory_limit)
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
        if not os.path.ismount(self.tmpfs):
            # Never the disk below it: a read-only fault's lazy unmount of
            # the same path once took the small file system away.
            self.mount(["-t", "tmpfs", "-o", "size=%d" % TMPFS_BYTES, "tmpfs", self.tmpfs])
        st = os.statvfs(self.tmpfs)
        if st.f_blocks * st.f_frsize > 2 * TMPFS_BYTES:
            return
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
        """Helpers handed back to this process that still run (a helper that
        has ended and only waits to be reaped is not running)."""
        me = os.getpid()
        found = []
        for p in self.helpers({me}):
            try:
                fields = open("/proc/%d/stat" % p).read().rsplit(") ", 1)[1].split()
            except OSError:
                continue
            if fields[1] == str(me) and fields[0] != "Z":
                found.append(p)
        return found

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


def is_temporary(path):
    """A hidden temporary of the program's, or a file in its staging folder
    (".vantoria-XXXXXX/1.png")."""
    parts = path.split(b"/") if isinstance(path, bytes) else path.split("/")
    prefix = b".vantoria-" if isinstance(path, bytes) else ".vantoria-"
    return any(part.startswith(prefix) for part in parts[-2:])


def sha(path):
    try:
        with open(path, "rb") as f:
            return hashlib.sha1(f.read()).hexdigest()
    except OSError:
        return None


# How long a just-started program is given before a stop signal is sent.
START_GRACE = 0.2


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
        # A signal that arrives while the program is still being loaded,
        # before its first line runs, ends any program: give it that moment.
        young = START_GRACE - (time.monotonic() - self.started)
        if young > 0:
            time.sleep(young)
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

    def close(self):
        """Keep the logs of a run with a violation; remove its folder."""
        if self.violated:
            keep = os.path.join(self.soak.keep, self.name)
            os.makedirs(keep, exist_ok=True)
            for n in os.listdir(self.dir):
                if os.path.isfile(os.path.join(self.dir, n)):
                    shutil.copy(os.path.join(self.dir, n), keep)
        shutil.rmtree(self.dir, ignore_errors=True)

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
        s = self.soak
        argv += ["--time-limit", str(s.time_limit), "--memory-limit", str(s.memory_limit)]
        self.notes.append("%s%s%s%s, %s, --jobs %d" % (
            kind, " " + self.format if self.format else "", " multi-page" if self.multipage else "",
            " folder per file" if self.each else "",
            "--overwrite" if self.overwrite else "--new-if-exists", self.jobs))
        return argv

    def pick_docs(self, count, allow_refused=True):
        r = self.rng
        heavy_ok = self.kind == "image" and self.format in ("jp2", "jpc", "tif", "png") and \
            r.random() < 0.2
        pool = [d for d in self.soak.pool if (heavy_ok or not d.heavy) and
                (allow_refused or d.outcome != "refused")]
        picked = []
        for d in r.sample(pool, min(count, len(pool))):
            if all((p.sub, p.name) != (d.sub, d.name) for p in picked):
                picked.append(d)
        return picked

    def expect_failure(self, doc):
        """True when `doc` can't be converted with this run's options."""
        if doc.outcome in ("fail", "loop", "hungry", "refused"):
            return True
        if doc.outcome == "toolong":
            return self.kind == "image" and not self.multipage
        return False

    # --- the conversion's outputs ------------------------------------------
    def limit_reason(self, doc):
        """The reason a row of `doc` fails with when a limit ends it, or None
        when no limit applies to it."""
        s = self.soak
        if doc.outcome == "loop" and s.time_limit:
            return "took longer than %d s" % s.time_limit
        if doc.outcome == "hungry":
            return "the interpreter needed more than %d MiB" % s.memory_limit
        return None

    def check_limit_reason(self, doc, status, reason, where):
        """A document past a limit fails with that limit as its reason, in a
        run that nothing else disturbed."""
        want = self.limit_reason(doc)
        if want and not self.faults and not self.stops and status == "Failed" and reason != want:
            self.bad("a row past a limit gives another reason",
                     "%s (%s): %r, not %r" % (where, doc.key, reason, want))
        if want and not self.faults and not self.stops and status not in ("Failed", "Aborted"):
            self.bad("a row past a limit did not fail", "%s (%s): %s" % (where, doc.key, status))

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
        # What is there now stays: a file the program still writes through a
        # descriptor it opened before has a later time, but can't go either.
        self.ro_present = set()
        for d, dirs, names in os.walk(self.out):
            self.ro_present.update(os.path.join(d, n) for n in dirs + names)
        return True

    def stuck(self, path, mtime_ns=None):
        """True for a file or folder made before the output folder turned
        read-only: the program could not have removed it."""
        since = getattr(self, "ro_since", None)
        if since is None:
            return False
        if path in getattr(self, "ro_present", ()):
            return True
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
        hidden = [p for p in snap_late if is_temporary(p)
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
