#!/bin/bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# The watch mode's user unit, checked by systemd's own verifier: no error
# and no warning (an unknown or misspelt key is only a warning there).
#   WatchUnitTest.sh UNIT_FILE VANTORIA_CLI MAN_PAGE
# The unit runs vantoria-cli by name, so the copy checked here names the
# built program instead; the man page is found through MANPATH. Skipped
# (status 77) where systemd is not installed.
set -euo pipefail
unit=$1 cli=$2 man=$3

if ! command -v systemd-analyze >/dev/null; then
    echo "SKIPPED: systemd-analyze is not installed here"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/man/man1" "$work/run"
cp "$man" "$work/man/man1/"
chmod 700 "$work/run"

# An instance for a folder whose name needs escaping.
instance="$work/vantoria-watch@$(systemd-escape --path '/srv/print in').service"
sed "s|^ExecStart=vantoria-cli |ExecStart=$cli |" "$unit" >"$instance"
grep -q "^ExecStart=$cli --watch %f " "$instance" || {
    echo "FAIL: the unit's ExecStart does not run 'vantoria-cli --watch %f'"
    exit 1
}

set +e
report=$(MANPATH="$work/man" XDG_RUNTIME_DIR="$work/run" \
    systemd-analyze verify --user "$instance" 2>&1)
status=$?
set -e
if [ "$status" -ne 0 ] || [ -n "$report" ]; then
    echo "FAIL: systemd-analyze verify (status $status):"
    echo "$report"
    exit 1
fi
echo "PASS: $(basename "$instance") verifies cleanly"
