#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# licence-headers.sh [--check] [FILE...]
#
# Puts the program's licence notice (its name, the copyright line and the
# SPDX identifier) at the top of every source file that lacks one, in the
# comment syntax of the file's kind. Without FILE, the files are those git
# tracks in this checkout. Running it again changes nothing.
#
#   --check   change nothing; list the source files without the notice (and
#             tracked files of no known kind) and exit 1 if there are any
#
# What counts as a source: code (C and C++), build files (CMake, Makefiles),
# scripts (shell, and any file starting with "#!"), packaging and desktop
# files (systemd units, desktop entries, metainfo, man pages, Qt resource
# lists, translations), the help pages, PostScript programs and the tool
# configuration (.gitignore, .clang-format).
#
# What does not: images, Markdown documents, the licence text itself and the
# package's copyright file (which states the licence in its own format), the
# Debian change log (its format has no comments), the fuzz seeds (inputs
# that are read byte for byte) and the metafiles the tests compare with.
#
# Where the notice goes: first in the file, except after a line that must
# stay first: a "#!" line, a PostScript "%!" line with the structuring
# comments ("%%") that follow it, an XML declaration, an HTML doctype, a
# man page's preprocessor line ('\"). A UTF-8 byte order mark stays first,
# and a file with CRLF line ends gets the notice with CRLF line ends.
set -euo pipefail

NOTICE_TEXT=$'Quorvane Vantoria\nCopyright 2026 Quorvane\nSPDX-License-Identifier: AGPL-3.0-or-later'
# The notice is looked for as a comment line among a file's first lines:
# ours, and any identifier at all.
HEAD_LINES=30
COMMENTED='^[[:space:]]*(//|#|%|\.\\"|<!--)?[[:space:]]*SPDX-License-Identifier:[[:space:]]*'
OURS="${COMMENTED}AGPL-3\.0-or-later[[:space:]]*\$"

usage() {
    echo "usage: $0 [--check] [FILE...]" >&2
    exit 2
}

# Sets `style` to the comment style of a file: slash, hash, percent, xml,
# html or troff; "exempt" for files that are no source; empty for a file of
# no known kind.
style_of() {
    local path=$1 first=
    style=
    case $path in
        COPYING | */COPYING | packaging/copyright* | */packaging/copyright*) style=exempt ;;
        packaging/changelog.in | */packaging/changelog.in) style=exempt ;;
        tests/fuzz/seeds/* | */tests/fuzz/seeds/*) style=exempt ;;
        *.png | *.jpg | *.jpeg | *.gif | *.bmp | *.ico | *.svg | *.md) style=exempt ;;
        *.emf | *.wmf) style=exempt ;;
        *.cpp | *.cc | *.c | *.h | *.hpp) style=slash ;;
        *.cmake | *.sh | *.bash | *.py | *.service | *.desktop) style=hash ;;
        */CMakeLists.txt | CMakeLists.txt | */Makefile | Makefile) style=hash ;;
        */.gitignore | .gitignore | */.clang-format | .clang-format) style=hash ;;
        *.ps | *.eps) style=percent ;;
        *.xml | *.xml.in | *.ts | *.qrc | *.ui) style=xml ;;
        *.html | *.htm) style=html ;;
        *.[1-9]) style=troff ;;
        *)
            IFS= read -r -n 2 first < "$path" || true
            [ "$first" != '#!' ] || style=hash
            ;;
    esac
}

# True when one of FILE's first lines matches PATTERN (read without a
# process per file: the check runs over every tracked file).
head_matches() {
    local line n=0
    while [ "$n" -lt "$HEAD_LINES" ] && IFS= read -r line; do
        [[ $line =~ $2 ]] && return 0
        n=$((n + 1))
    done < "$1"
    return 1
}

# Writes FILE with the notice in STYLE inserted to standard output.
with_notice() {
    local file=$1 style=$2
    NOTICE_TEXT=$NOTICE_TEXT LC_ALL=C awk -v style="$style" -v sq="'" '
        function notice(   n, i, line, prefix) {
            n = split(ENVIRON["NOTICE_TEXT"], line, "\n")
            prefix = style == "slash" ? "// " : style == "hash" ? "# " : \
                     style == "percent" ? "% " : style == "troff" ? ".\\\" " : "  "
            if (style == "xml" || style == "html")
                printf "<!--%s\n", cr
            for (i = 1; i <= n; i++)
                printf "%s%s%s\n", prefix, line[i], cr
            if (style == "xml" || style == "html")
                printf "-->%s\n", cr
            done = 1
        }
        # Lines that stay above the notice.
        function stays_first(text) {
            if (NR == 1)
                return (style == "hash" && text ~ /^#!/) ||
                       (style == "percent" && text ~ /^%!/) ||
                       (style == "xml" && text ~ /^<\?xml/) ||
                       (style == "html" && tolower(text) ~ /^<!doctype/) ||
                       (style == "troff" && index(text, sq "\\\"") == 1)
            return style == "percent" && in_header && text ~ /^%%/ && text !~ /^%%EndComments/
        }
        NR == 1 {
            cr = /\r$/ ? "\r" : ""
            if (substr($0, 1, 3) == "\357\273\277") {
                printf "\357\273\277"
                $0 = substr($0, 4)
            }
            in_header = style == "percent" && /^%!/
        }
        !done && stays_first($0) { print; next }
        !done && style == "percent" && in_header && /^%%EndComments/ { print; in_header = 0; next }
        !done {
            notice()
            # Line comments get a blank line between the notice and what was there.
            if (style == "slash" || style == "hash")
                printf "%s\n", cr
        }
        { print }
        END { if (!done) notice() }
    ' "$file"
}

add_notice() {
    local file=$1 style=$2 tmp
    tmp=$(mktemp "$file.licence.XXXXXX")
    if ! with_notice "$file" "$style" > "$tmp" || ! chmod --reference="$file" "$tmp"; then
        rm -f "$tmp"
        echo "$0: could not rewrite $file" >&2
        return 1
    fi
    mv -f "$tmp" "$file"
}

check=0
if [ "${1-}" = --check ]; then
    check=1
    shift
fi
case ${1-} in -*) [ "$1" = -- ] && shift || usage ;; esac

files=()
if [ $# -gt 0 ]; then
    files=("$@")
else
    top=$(git -C "$(dirname "$0")" rev-parse --show-toplevel 2>/dev/null) ||
        { echo "$0: not in a git checkout; name the files" >&2; exit 2; }
    cd "$top"
    mapfile -d '' files < <(git ls-files -z)
fi

missing=0 added=0
for file in "${files[@]}"; do
    # Tracked files deleted in the checkout, and links, are nobody's source here.
    [ -f "$file" ] && [ ! -L "$file" ] || continue
    case $file in -*) file=./$file ;; esac
    style_of "$file"
    if [ -z "$style" ]; then
        echo "no known kind: $file (add it to the kinds of $0)" >&2
        missing=$((missing + 1))
        continue
    fi
    [ "$style" != exempt ] || continue
    head_matches "$file" "$OURS" && continue
    if [ "$check" = 1 ]; then
        echo "$file"
        missing=$((missing + 1))
    elif head_matches "$file" "$COMMENTED"; then
        echo "$file states another licence; left as it is" >&2
    else
        if add_notice "$file" "$style"; then
            added=$((added + 1))
        else
            missing=$((missing + 1))
        fi
    fi
done

if [ "$check" = 1 ]; then
    [ "$missing" = 0 ] || { echo "$missing file(s) without the licence notice" >&2; exit 1; }
else
    echo "licence notice added to $added file(s)"
    [ "$missing" = 0 ] || exit 1
fi
