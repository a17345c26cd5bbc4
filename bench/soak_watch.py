# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

"""The soak's stretches of the watched folder (see bench/soak.sh)."""

import hashlib
import os
import shutil

import soak_inputs
import soak_readers
from soak_run import FINAL, WATCH_ENDS, WATCH_FAULTS, Run, fsname, sha, snapshot, is_temporary

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
        pool = [d for d in soak.pool if d.outcome in ("ok", "fail", "loop", "hungry") and not d.heavy
                and d.key not in ("long",)]
        weights = [0.3 if d.outcome in ("loop", "hungry") else 1.0 for d in pool]
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
        # From the bytes written, not the file: the watch may have moved it
        # away already (a refused file goes to failed/ at once).
        d["hash"] = hashlib.sha1(d["doc"].body).hexdigest()
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
            d["hash"] = hashlib.sha1(self.replacement.body).hexdigest()
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
        self.close()
        if "disk-full" in self.planned:
            s.unfill()

    def check_lines(self, proc):
        """Each line is a final status; the last status of each drop."""
        by_name = {fsname(self.drop_name(k, d)): k for k, d in enumerate(self.drops)}
        statuses = {}
        for line in proc.lines:
            status, _, rest = line.partition("  ")
            path, _, reason = rest.partition(": ")
            # A row that succeeded names its output: "IN -> OUT".
            path = path.split(" -> ")[0]
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
            want = self.limit_reason(d["doc"])
            if status == "Failed" and original and want and reason != want and \
                    not [f for _, f in self.faults if f != self.end]:
                self.bad("a row past a limit gives another reason", line)
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
                   and not is_temporary(p)]
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
