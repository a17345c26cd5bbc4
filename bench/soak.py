# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

"""The soak's driver; bench/soak.sh starts it (read that for what it does).

    soak.py --cli PATH --work DIR --minutes M --log FILE [--seed S] [--only N]
            [--max-runs N] [--stop-limit SECONDS] [--time-limit SECONDS]
            [--memory-limit MIB]

Run N draws everything it does from the seed and N alone, so --only N does
it again (against output folders as this soak finds them).
"""

import argparse
import os
import random
import signal
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soak_cli import CliRun  # noqa: E402
from soak_run import Soak  # noqa: E402
from soak_watch import WatchRun  # noqa: E402


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
    ap.add_argument("--time-limit", type=int, default=8)
    ap.add_argument("--memory-limit", type=int, default=1024)
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
