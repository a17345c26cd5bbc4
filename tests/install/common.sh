# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Shared by the install tests: a scratch folder, a PostScript sample, and a
# way to run a command with the source and build folders out of sight.
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/vantoria-install.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
export XDG_CONFIG_HOME=$SCRATCH/config XDG_RUNTIME_DIR=$SCRATCH/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# A two-page document with text and a filled shape.
write_sample() {
    cat > "$1" <<'PS'
%!PS-Adobe-3.0
/Helvetica findfont 24 scalefont setfont
72 700 moveto (Installed tree, page 1) show
0.2 0.4 0.8 setrgbcolor 72 500 200 100 rectfill showpage
0 setgray 72 700 moveto (Installed tree, page 2) show showpage
PS
}

# HIDE_BUILD, put before a command, runs it in a mount namespace in which the
# source and build folders are empty, so an installed program that still
# reached into them fails. The namespace is entered by exec, so the command
# keeps the process id it was started with. Where user namespaces are not
# allowed the command runs as it is, and says so.
if unshare -rm true 2>/dev/null; then
    # The build folder first: it may lie inside the source folder.
    HIDE_BUILD=(unshare -rm sh -c
                'mount -t tmpfs none "$0" && mount -t tmpfs none "$1" && shift && exec "$@"'
                "$BINARY_DIR" "$SOURCE_DIR")
else
    echo "note: no user namespaces here; the build folder stays visible" >&2
    HIDE_BUILD=(env)
fi
without_build() {
    "${HIDE_BUILD[@]}" "$@"
}

# Converts the sample with the vantoria-cli at $1 into PNG pages and PDF, and
# checks both outputs by their signatures.
convert_with() {
    local cli=$1 out=$SCRATCH/out
    mkdir -p "$out"
    write_sample "$SCRATCH/sample.ps"
    without_build "$cli" --profile "$SCRATCH/none.ini" --kind pdf --output "$out" \
        "$SCRATCH/sample.ps" || fail "$cli: PDF conversion failed"
    [ "$(head -c 5 "$out/sample.pdf")" = "%PDF-" ] || fail "no PDF written"
    without_build "$cli" --profile "$SCRATCH/none.ini" --kind image --format png \
        --output "$out" "$SCRATCH/sample.ps" || fail "$cli: PNG conversion failed"
    local pngs
    pngs=$(find "$out" -name '*.png' | wc -l)
    [ "$pngs" -ge 1 ] || fail "no PNG page written"
    find "$out" -name '*.png' | while read -r png; do
        [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
            fail "$png is no PNG"
    done
}
