# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Format writers other than BMP, added to the vantoria_imageconv library.
set(VANTORIA_WRITER_SOURCES
    writers/WriterSupport.cpp
    writers/JpegWriter.cpp
    writers/PngWriter.cpp
    writers/GifWriter.cpp
    writers/TiffWriter.cpp
    writers/PcxWriter.cpp
    writers/TgaWriter.cpp
    writers/Jpeg2000Writer.cpp
    writers/RasWriter.cpp
    writers/EmfWriter.cpp
    writers/WmfWriter.cpp
)

pkg_check_modules(VANTORIA_WRITER_DEPS REQUIRED IMPORTED_TARGET
    libjpeg libdeflate libtiff-4 libopenjp2)

set(VANTORIA_WRITER_LIBS PkgConfig::VANTORIA_WRITER_DEPS)
