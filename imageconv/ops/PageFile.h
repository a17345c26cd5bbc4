// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PageFile: a page file opened for reading, its headers read and checked,
// the pixels not yet read. ReadBmp is Open then Read; a caller that can use
// the pixel rows where they lie (the BMP writer, for a page no step
// changes) takes the descriptor and the rows' offset instead of reading
// them.
//
// Open makes every check ReadBmp makes (see PageOps.h), with its messages:
// a page file that opened is one whose rows are all inside the file as it
// was when opened. The descriptor stays open until the PageFile goes; the
// file may still change under it, so whoever reads the rows through Fd()
// must take a short read as a damaged page file. The file is never mapped:
// the interpreter that wrote it may truncate it at any time.
#pragma once

#include <cstdint>
#include <string>

#include "imageconv/Dib.h"
#include "imageconv/Status.h"

namespace imageconv {

class PageFile {
public:
    PageFile() = default;
    ~PageFile();
    PageFile(const PageFile &) = delete;
    PageFile &operator=(const PageFile &) = delete;

    Status Open(const std::string &path);

    int32_t Width() const { return int32_t(h_.width); }
    int32_t Height() const { return int32_t(h_.height); }
    int BitCount() const { return h_.bitCount; }
    // Rows stored top row first (a negative height in the file).
    bool TopDown() const { return h_.topDown; }
    // Pixels per metre as stored, 0 for none or a negative value.
    int32_t XPelsPerMeter() const { return h_.xPels > 0 ? h_.xPels : 0; }
    int32_t YPelsPerMeter() const { return h_.yPels > 0 ? h_.yPels : 0; }

    // The open file, and where its Height() rows of
    // Dib::StrideFor(Width(), BitCount()) bytes begin.
    int Fd() const { return fd_; }
    uint64_t PixelOffset() const { return h_.offBits; }

    // The palette and the pixels into `page`, bottom row first. The page's
    // pixel buffer is reused as it is when it already has the page's size.
    // On failure the page is left empty.
    Status Read(Dib &page) const;

    // What the headers say, and where the palette is.
    struct Header {
        uint64_t fileSize = 0;
        uint32_t offBits = 0;
        uint32_t headerSize = 0;
        int64_t width = 0, height = 0;
        int planes = 0, bitCount = 0;
        uint32_t compression = 0, clrUsed = 0, clrImportant = 0;
        int32_t xPels = 0, yPels = 0;
        size_t paletteEntrySize = 4;
        bool topDown = false;
        uint32_t paletteCount = 0;
        uint64_t paletteOffset = 0;
    };

private:
    int fd_ = -1;
    Header h_;
};

// Reads exactly `size` bytes at `offset` of `fd`, retrying after signals;
// false on an error or a file that ends first.
bool ReadFileAt(int fd, uint64_t offset, void *buffer, size_t size);

} // namespace imageconv
