#!/usr/bin/env bash
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Installs every Debian package needed to build, test and run the program.
# Idempotent: does nothing (and prints nothing) when all of them are present.
set -euo pipefail

packages=(
    # tool chain
    build-essential cmake ninja-build pkg-config
    # PostScript interpreter (library and the fonts/resources it needs)
    libgs-dev ghostscript
    # PDF finishing and text extraction
    libqpdf-dev libpoppler-cpp-dev
    # CMaps of the CJK collections, so poppler reads a Chinese stamp
    poppler-data
    # image formats
    libjpeg-dev libtiff-dev libpng-dev zlib1g-dev libdeflate-dev libopenjp2-7-dev
    # user interface, icons and the Chinese captions
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev libqt6svg6 libgl1-mesa-dev fonts-wqy-microhei
    # tests: unit test framework, independent readers, a virtual display for screenshots
    googletest libgtest-dev libgmock-dev libgif-dev qpdf poppler-utils xvfb xauth
    # translations; fuzz targets
    qt6-l10n-tools clang libclang-rt-14-dev
    # installing and packaging: the checks of the desktop entry, metainfo, man
    # pages and .deb, dpkg-shlibdeps, and the scale-out recipe (jq reads its
    # reports)
    desktop-file-utils appstream lintian man-db dpkg-dev file parallel jq
    # systemd-analyze, to verify the watch mode's user unit
    systemd
    # the interpreter helper's system-call filter; subsets of the stamp's fonts;
    # Qt's own dialogs translated; the licence text that COPYING is taken from
    libseccomp-dev libharfbuzz-dev qt6-translations-l10n libsoftware-license-perl
    # benchmarks: jpegtran for the scripted progressive pipeline, GNU time for peak
    # memory; tiffinfo and opj_dump read the soak's TIFF and JPEG 2000 outputs
    libjpeg-turbo-progs time libtiff-tools libopenjp2-tools
    # tests: PostScript from real producers (text printers, a typesetter, page
    # rearrangers, a plotting tool, a diagram tool, an image converter)
    enscript a2ps groff psutils gnuplot-nox graphviz netpbm
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
