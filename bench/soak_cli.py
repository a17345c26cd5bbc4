# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

"""The soak's runs of vantoria-cli on a few inputs (see bench/soak.sh)."""

import base64
import json
import os
import shutil
import subprocess
import time

import soak_inputs
from soak_run import CLI_FAULTS, FINAL, Run, fsname, loose, snapshot, is_temporary

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
        # A large page is there to be stopped while it is encoded.
        stops = ("sigint-twice", "sigterm", "sighup", "close-stdout")
        if any(d.heavy for d in self.docs) and not any(f in stops for f in self.planned):
            self.planned.append(r.choice(stops))
        self.times = {f: r.uniform(0.2, 4.0) for f in self.planned}
        if any(d.heavy for d in self.docs):
            for f in stops:
                self.times[f] = r.uniform(4.0, 10.0)
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
                 if d.outcome in ("ok", "fail", "loop", "hungry")]
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
        # Without a time limit nothing but a stop ends a loop.
        if not s.time_limit and any(d.outcome == "loop" for d in self.docs) and not any(
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
            # A short name beside it: the input's own name may be at the limit.
            tmp = os.path.join(os.path.dirname(path), b".soak-new")
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
        self.close()
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
            # A folder stands for the PostScript files in it: this one has none.
            if doc.key == "folder":
                if es:
                    self.bad("an empty folder given as input gave rows", name)
                continue
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
        # A name near the limit runs out of numbered names that fit once the
        # shared output folder holds them all: "name too long" is then true.
        numbered_out = doc.outcome == "toolong" and reason == "name too long" and \
            "--new-if-exists" in self.argv_opts
        if not self.faults and not self.stops and original and status != "Succeed" and \
                not self.expect_failure(doc) and not numbered_out:
            self.bad("a valid input failed in a run without faults",
                     "%s (%s): %s %s" % (fsname(path), doc.key, status, reason))
        if status == "Failed" and "(code -" in reason:
            self.bad("reason gives a bare code", "%s: %s" % (doc.key, reason))
        if original:
            self.check_limit_reason(doc, status, reason, fsname(path))
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

    @staticmethod
    def entry_outputs(e):
        """A report entry's outputs as file-system names: the exact bytes
        where the report gives them (a name that is not UTF-8)."""
        if "outputs_bytes" in e:
            return [os.fsdecode(base64.b64decode(b)) for b in e["outputs_bytes"]]
        return e.get("outputs", [])

    def check_outputs(self, rows):
        """Succeed rows have complete outputs of their input; nothing else
        was written, replaced or removed."""
        allowed = {}
        succeeded = []
        for r in rows:
            for p, e in r.items():
                if e.get("status") == "Succeed":
                    succeeded.append((p, e))
                    for o in self.entry_outputs(e):
                        allowed.setdefault(os.path.normpath(o), []).extend(self.accepted[p])
        for p, e in succeeded:
            outputs = [os.path.normpath(o) for o in self.entry_outputs(e)]
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
                   not is_temporary(p)]
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
