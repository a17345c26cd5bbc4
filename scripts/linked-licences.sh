#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# linked-licences.sh BIN_DIR
#
# Lists every shared library the programs load (ldd of vantoria,
# vantoria-cli, tessarin-run, tessarin.so and lumbrel.so in BIN_DIR), the
# Debian package it comes from (dpkg -S) and the licence that package's
# copyright file (/usr/share/doc/PACKAGE/copyright) states, and fails when
# one of them is GPL version 2 only: such a library can't be combined with
# the program's AGPL-3.0-or-later.
#
# A copyright file in the machine-readable format is read paragraph by
# paragraph. A Files paragraph (or the header's License) whose licence
# leaves no choice but version 2 of the GPL ("GPL-2", "GPL-2.0-only",
# "GPL-2 with ... exception") fails; "GPL-2+" is "or any later version",
# and "GPL-2 or GPL-3" leaves a choice. Stand-alone License paragraphs only
# hold licence texts and are not read. A paragraph that fails is accepted
# only when REVIEWED below names it with the reason the library's own code
# is not under it. A copyright file in free form must be listed in
# FREE_FORM with the licence a reading of it found, and that licence is
# judged the same way.
#
# Prints "library  package  licence" for each library, then the verdict;
# exits 1 on any failure.
set -euo pipefail

BIN_DIR=${1:?usage: linked-licences.sh BIN_DIR}
PROGRAMS=(vantoria vantoria-cli tessarin-run tessarin.so lumbrel.so)

# Reviewed exceptions: package | Files paragraph (ANY: all of them) | reach |
# why. Reach "indirect" holds only while none of the programs names the
# library itself (it comes in with another library); "any" always holds.
REVIEWED=$(
    cat << 'EOF'
# e2fsprogs lists every file it does not name under "Files: *" as GPL-2, yet
# its NOTICE puts lib/et (com_err, this library) under an MIT-style licence;
# the GPL-2 paragraphs are the file system tools. It comes in with Kerberos,
# from the interpreter's printing library.
libcom-err2|ANY|indirect|com_err (lib/et) is MIT-style; the GPL-2 paragraphs are the e2fsprogs tools
# The GPL-2 paragraphs of util-linux are programs; the library's own files
# are "libuuid/*", BSD-3-clause.
libuuid1|ANY|indirect|libuuid/* is BSD-3-clause; the GPL-2 paragraphs are util-linux programs
# Manual pages and build files of the source package, not library code.
libhogweed6|debian/sexp-conv.1|any|the manual page of a tool
libnettle8|debian/sexp-conv.1|any|the manual page of a tool
liblzma5|Doxyfile.in|any|the documentation build's configuration
# The kernel's interface headers copied into systemd; their syscall note
# leaves a program that uses the kernel through them outside the GPL.
libsystemd0|src/shared/linux/* src/basic/linux/*|any|kernel interface headers under the Linux syscall note
# libpaper 1 states GPL version 2 for the whole package. None of our code
# links it: the interpreter library (libgs10, AGPL-3+) does, as Debian
# builds and ships it, so it comes with any program that uses the
# interpreter at all. Held as an open question in the README's licence
# section, and only while it stays indirect.
libpaper1|ANY|indirect|linked by the interpreter library libgs10 as Debian ships it, not by our code
EOF
)

# Copyright files in free form, with the licence read from each:
# package | licence.
FREE_FORM=$(
    cat << 'EOF'
libc6|LGPL-2.1+
libgcc-s1|GPL-3+ with GCC-Runtime-Library-exception-3.1
libstdc++6|GPL-3+ with GCC-Runtime-Library-exception-3.1
libgomp1|GPL-3+ with GCC-Runtime-Library-exception-3.1
libasan8|GPL-3+ with GCC-Runtime-Library-exception-3.1
libubsan1|GPL-3+ with GCC-Runtime-Library-exception-3.1
libavahi-client3|LGPL-2.1+
libavahi-common3|LGPL-2.1+
libfontconfig1|HPND (Keith Packard's permission notice)
libgcrypt20|LGPL-2.1+
libgnutls30|LGPL-2.1+
libtasn1-6|LGPL-2.1+
libgssapi-krb5-2|MIT (the Kerberos licence)
libk5crypto3|MIT (the Kerberos licence)
libkrb5-3|MIT (the Kerberos licence)
libkrb5support0|MIT (the Kerberos licence)
libice6|MIT/X11
libsm6|MIT/X11
libx11-6|MIT/X11
libxau6|MIT/X11
libxdmcp6|MIT/X11
libxt6|MIT/X11
libxcb1|MIT/X11
libxkbcommon0|MIT
libwebp7|BSD-3-clause
libpaper1|GPL-2
libproxy1v5|LGPL-2.1+
libqpdf29|Apache-2.0 or Artistic-2.0
EOF
)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Reads machine-readable copyright files, and on standard input the
# licences of the free-form ones as paragraphs of their own, each after a
# line "Package: NAME". Prints "PACKAGE<TAB>MAIN<TAB>licence" once a file
# (the header's License, else that of "Files: *", else the first
# paragraph's), and "PACKAGE<TAB>GPL2<TAB>files<TAB>licence" for each
# paragraph that is GPL-2 only.
read_copyrights() {
    awk '
        function only2(term,   t) {
            t = tolower(term); gsub(/^[ \t(]+|[ \t)]+$/, "", t); sub(/ with .*$/, "", t)
            return t ~ /^gpl-?v?2(\.0)?(-only)?$/
        }
        # "A or B, and C": fails when a conjunct has no alternative that is
        # free of GPL-2-only terms.
        function gpl2only(expr,   pieces, np, i, alts, na, j, terms, nt, k, allbad, altbad) {
            np = split(expr, pieces, /, and /)
            for (i = 1; i <= np; i++) {
                na = split(pieces[i], alts, / or /); allbad = 1
                for (j = 1; j <= na; j++) {
                    nt = split(alts[j], terms, / and /); altbad = 0
                    for (k = 1; k <= nt; k++) if (only2(terms[k])) altbad = 1
                    if (!altbad) allbad = 0
                }
                if (allbad) return 1
            }
            return 0
        }
        function flush() {
            if (lic != "" && (files != "" || header)) {
                if (header) main = lic
                else if (files == "*" && main == "") main = lic
                else if (first == "") first = lic
                if (gpl2only(lic)) print pkg "\tGPL2\t" (files != "" ? files : "(header)") "\t" lic
            }
            files = ""; lic = ""; header = 0; field = ""
        }
        function start(name) {
            flush()
            if (pkg != "") print pkg "\tMAIN\t" (main != "" ? main : first)
            pkg = name; main = ""; first = ""
        }
        FNR == 1 && FILENAME != "-" { n = split(FILENAME, part, "/"); start(part[n - 1]) }
        FILENAME == "-" && /^Package: / { start(substr($0, 10)); next }
        /^[ \t]*$/ { flush(); next }
        /^[A-Za-z-]+:/ {
            field = tolower(substr($0, 1, index($0, ":") - 1))
            value = substr($0, index($0, ":") + 1); gsub(/^[ \t]+|[ \t]+$/, "", value)
            if (field == "format") header = 1
            else if (field == "files") files = value
            else if (field == "license") lic = value
            next
        }
        /^[ \t]/ && field == "files" { v = $0; gsub(/^[ \t]+|[ \t]+$/, "", v); files = files " " v }
        END { start("") }
    ' "$@"
}

declare -a reviewed_rows
mapfile -t reviewed_rows < <(grep -v '^#' <<< "$REVIEWED")
declare -A free_form
while IFS='|' read -r pkg lic; do
    free_form[$pkg]=$lic
done <<< "$FREE_FORM"

# The libraries the programs load, and those they name themselves (NEEDED),
# for the "indirect" rows.
declare -A needed
paths=()
for program in "${PROGRAMS[@]}"; do
    file=$BIN_DIR/$program
    [[ -f $file ]] || { fail "$file is not built"; continue; }
    while read -r so; do needed[$so]=1; done < <(readelf -d "$file" | awk -F'[][]' '/\(NEEDED\)/ { print $2 }')
    while read -r kind path; do
        if [[ $kind == missing ]]; then fail "$program: $path not found"; else paths+=("$path"); fi
    done < <(ldd "$file" | awk '/not found/ { print "missing", $1; next }
                                $2 == "=>" && $3 ~ /^\// { print "path", $3; next }
                                $1 ~ /^\// { print "path", $1 }')
done
mapfile -t paths < <(printf '%s\n' "${paths[@]}" | sort -u)
((${#paths[@]} > 0)) || { echo "FAIL: no libraries found" >&2; exit 1; }
mapfile -t resolved < <(readlink -f "${paths[@]}")

# One dpkg -S over every name a library may be registered under: as ldd
# found it, resolved, and with or without the /usr prefix (merged /usr).
names_of() {
    names=()
    local p
    for p in "$@"; do
        case $p in /usr/*) names+=("$p" "${p#/usr}") ;; *) names+=("$p" "/usr$p") ;; esac
    done
}
candidates=()
for i in "${!paths[@]}"; do
    names_of "${paths[$i]}" "${resolved[$i]}"
    candidates+=("${names[@]}")
done
declare -A owner
while IFS= read -r line; do
    [[ $line == diversion* ]] && continue
    owner[${line#*: }]=${line%%: *}
done < <(dpkg -S "${candidates[@]}" 2> /dev/null || true)

declare -A lib_of_pkg licence_of verdict_of
for i in "${!paths[@]}"; do
    pkg=""
    names_of "${paths[$i]}" "${resolved[$i]}"
    for name in "${names[@]}"; do
        [[ -n ${owner[$name]:-} ]] && { pkg=${owner[$name]}; break; }
    done
    if [[ -z $pkg ]]; then
        fail "${paths[$i]} belongs to no Debian package"
        continue
    fi
    lib_of_pkg[${paths[$i]##*/}]=${pkg%%[:,]*}
done

# A GPL-2-only paragraph: accepted only as a REVIEWED row whose reach holds.
check_exception() {
    local pkg=$1 files=$2 lic=$3 row name rfiles reach why so
    for row in "${reviewed_rows[@]}"; do
        IFS='|' read -r name rfiles reach why <<< "$row"
        [[ $name == "$pkg" && ($rfiles == "$files" || $rfiles == ANY) ]] || continue
        verdict_of[$pkg]="reviewed: $why"
        if [[ $reach == indirect ]]; then
            for so in "${!lib_of_pkg[@]}"; do
                if [[ ${lib_of_pkg[$so]} == "$pkg" && -n ${needed[$so]:-} ]]; then
                    fail "$pkg: $so is linked by the programs themselves, and \"$lic\" was" \
                        "accepted only while it came in with another library"
                fi
            done
        fi
        return 0
    done
    fail "$pkg: \"Files: $files\" is under \"$lic\" (GPL version 2 only)"
    return 0
}

# Every package's copyright file: the machine-readable ones read as they
# are, the free-form ones through the licence FREE_FORM gives them.
mapfile -t packages < <(printf '%s\n' "${lib_of_pkg[@]}" | sort -u)
machine=() free=""
for pkg in "${packages[@]}"; do
    copyright=/usr/share/doc/$pkg/copyright
    first=""
    if [[ ! -r $copyright ]]; then
        fail "$pkg: no $copyright"
        continue
    fi
    read -r first < "$copyright" || true
    if [[ $first == Format:* ]]; then
        machine+=("$copyright")
    elif [[ -n ${free_form[$pkg]:-} ]]; then
        free+="Package: $pkg"$'\n'"Files: (free form)"$'\n'"License: ${free_form[$pkg]}"$'\n\n'
    else
        fail "$pkg: $copyright is not machine-readable; read it and list its licence in FREE_FORM"
    fi
done
while IFS=$'\t' read -r pkg kind files lic; do
    if [[ $kind == MAIN ]]; then licence_of[$pkg]=$files; else check_exception "$pkg" "$files" "$lic"; fi
done < <(printf '%s' "$free" | read_copyrights "${machine[@]}" -)

mapfile -t libraries < <(printf '%s\n' "${!lib_of_pkg[@]}" | sort)
for so in "${libraries[@]}"; do
    pkg=${lib_of_pkg[$so]}
    printf '%-28s %-22s %s%s\n' "$so" "$pkg" "${licence_of[$pkg]:-?}" \
        "${verdict_of[$pkg]:+ ($pkg ${verdict_of[$pkg]})}"
done

if ((failures > 0)); then
    echo "$failures failure(s): a linked library is GPL version 2 only, or its licence is unknown" >&2
    exit 1
fi
echo "${#lib_of_pkg[@]} linked libraries, none GPL version 2 only"
