#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# PackageTest.sh BINARY_DIR SOURCE_DIR MODULEDIR
# Builds the .deb with CPack, runs lintian on it (no errors allowed),
# extracts it into a scratch root with dpkg -x and, from that root alone,
# runs vantoria-cli --version, converts a file, and starts the window under
# the offscreen platform until it has loaded both modules.
BINARY_DIR=$1 SOURCE_DIR=$2 MODULEDIR=$3
. "$(dirname "$0")/common.sh"

cpack -G DEB --config "$BINARY_DIR/CPackConfig.cmake" -B "$SCRATCH/cpack" > "$SCRATCH/cpack.log" 2>&1 ||
    { cat "$SCRATCH/cpack.log"; fail "cpack failed"; }
deb=$(find "$SCRATCH/cpack" -maxdepth 1 -name 'vantoria_*.deb')
[ -f "$deb" ] || fail "cpack wrote no .deb"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libgs10 libqt6widgets6 libqpdf29 libpoppler-cpp0v5 ghostscript; do
    grep -qE "(^|, )$lib( |,|\$)" <<< "$depends" || fail "Depends lacks $lib"
done

lintian --tag-display-limit 0 "$deb" > "$SCRATCH/lintian.txt" 2>&1 || true
cat "$SCRATCH/lintian.txt"
if grep -q '^E:' "$SCRATCH/lintian.txt"; then
    fail "lintian reports errors"
fi
if grep -E '^[EWIPX]: ' "$SCRATCH/lintian.txt" | grep -qiE 'copyright|licen[cs]e|dep5'; then
    fail "lintian reports a copyright or licence tag"
fi

root=$SCRATCH/root
dpkg -x "$deb" "$root"
[ -x "$root/usr/bin/vantoria" ] && [ -x "$root/usr/bin/vantoria-cli" ] ||
    fail "the package holds no programs in /usr/bin"
[ -f "$root/usr/$MODULEDIR/tessarin.so" ] || fail "the package holds no modules in /usr/$MODULEDIR"

version=$(without_build "$root/usr/bin/vantoria-cli" --version)
[ "$(head -1 <<< "$version")" = "vantoria-cli $(dpkg-deb -f "$deb" Version)" ] ||
    fail "--version says '$version'"
# The licence line points at the package's copyright file.
named=$(grep -o '/usr/share/[^ ,;]*' <<< "$version" || true)
[ -n "$named" ] && [ -f "$root$named" ] || fail "--version names no licence file of the package"
# The installed module answers how its helper is confined.
grep -Eq '^interpreter confined: (Landlock ABI [0-9]+, seccomp|seccomp only)' <<< "$version" ||
    fail "--version says '$version'"
convert_with "$root/usr/bin/vantoria-cli"

# The window: started from the extracted tree, it must get as far as holding
# both modules from that tree (a failed load would stop at its message box).
env QT_QPA_PLATFORM=offscreen "${HIDE_BUILD[@]}" "$root/usr/bin/vantoria" > "$SCRATCH/window.log" 2>&1 &
window=$!
loaded=0
for _ in $(seq 1 150); do
    kill -0 "$window" 2>/dev/null || break
    if grep -q "$root/usr/$MODULEDIR/tessarin.so" "/proc/$window/maps" 2>/dev/null &&
        grep -q "$root/usr/$MODULEDIR/lumbrel.so" "/proc/$window/maps" 2>/dev/null; then
        loaded=1
        break
    fi
    sleep 0.1
done
kill "$window" 2>/dev/null || true
wait "$window" 2>/dev/null || true
[ "$loaded" = 1 ] || { cat "$SCRATCH/window.log"; fail "the installed window did not start with its modules"; }
echo "package $(basename "$deb"): lintian clean of errors, extracted tree converts and starts"
