// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The format writers: each takes one finished page and an output path,
// writes the file and puts it in place. A writer returns a Status like the
// page operations: a failed one says why (for example "Bit depth must be 8 or
// 24"), carries the errno when a system call failed (a full disk), and leaves
// no file behind (it removes what it had started); nothing is printed and
// nothing throws. Writers never change the page.
//
// Pages arrive in the layouts the page pipeline prepares for each format:
//   BMP, PNG, PCX, TIFF  1, 4, 8 (palette) or 24 bits
//   GIF                  1, 4 or 8 bits (palette)
//   JPEG, JP2, JPC, RAS  8-bit grey ramp or 24 bits
//   TGA                  8 or 24 bits
//   EMF, WMF             24 bits
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "imageconv/Dib.h"
#include "imageconv/Status.h"

namespace imageconv {

// Converter state a writer may need besides the page itself.
struct WriteParams {
    int quality = 75;        // encoders use the low 8 bits
    int jpegMode = 0;        // 2 baseline, 3 baseline + optimised Huffman, else progressive
    int tiffCompression = 2; // IC_TIFF_* value
    int reduceBpp = 0;       // palette depth the page was reduced to, 0 = none
    int workBpp = 24;        // working depth (24 after the depth decision)
    int gray = 0;            // 1 when the page was converted to grey
    int width = 0;           // target size, used by the metafile writers
    int height = 0;
};

Status WriteBmp(const Dib &page, const std::string &path);
// As WriteBmp, the rows read from `fd` at `offset` instead of page.bits
// (which may be empty): a bitmap's rows for `page`'s size, depth and stride,
// bottom row first, as a page file holds them. The file is the same
// byte for byte as WriteBmp's of that page. When the rows could not all be
// read, *readFailed is set and no file is left.
Status WriteBmpFromFile(const Dib &page, int fd, uint64_t offset, const std::string &path,
                        bool *readFailed);
Status WriteJpeg(const Dib &page, const std::string &path, const WriteParams &params);
Status WritePng(const Dib &page, const std::string &path);
Status WriteGif(const Dib &page, const std::string &path);
Status WriteTiff(const Dib &page, const std::string &path, const WriteParams &params);
Status WritePcx(const Dib &page, const std::string &path);
Status WriteTga(const Dib &page, const std::string &path);
// JPEG 2000 file (codestream = false) or bare code stream (codestream = true).
Status WriteJpeg2000(const Dib &page, const std::string &path, bool codestream, int quality);
Status WriteRas(const Dib &page, const std::string &path);
Status WriteEmf(const Dib &page, const std::string &path, int width, int height);
Status WriteWmf(const Dib &page, const std::string &path, int width, int height);

// The TIFF writer kept open across the pages of a multi-page file. The first
// Append creates a hidden temporary beside `path` and opens the TIFF stream
// on it; each appended page's directory is written to it before Append
// returns. Finish closes the stream and moves the temporary over `path`,
// only when every page went in and the file closed without error: a page
// that can't be written (a refused page, a full disk) spoils the whole file,
// every later Append returns that failure, and Finish removes the temporary,
// so `path` keeps what it had byte for byte. Close abandons an unfinished
// file the same way. After Finish or Close the writer starts afresh.
class TiffMultiPageWriter {
public:
    TiffMultiPageWriter();
    ~TiffMultiPageWriter();
    TiffMultiPageWriter(const TiffMultiPageWriter &) = delete;
    TiffMultiPageWriter &operator=(const TiffMultiPageWriter &) = delete;

    Status Append(const std::string &path, const Dib &page, const WriteParams &params);
    // Publishes the file; fails when no page was appended or any failed.
    Status Finish();
    void Close();
    // Pages in the file being built (0 when none is open).
    int PageCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace imageconv
