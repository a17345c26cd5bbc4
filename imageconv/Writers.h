// The format writers: each takes one finished page and an output path,
// creates or truncates the file, writes it and closes it. A writer returns a
// Status like the page operations: a failed one says why (for example "Bit
// depth must be 8 or 24") and leaves no file behind (it removes what it had
// started); nothing is printed and nothing throws. Writers never change the
// page.
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

// The TIFF writer kept open across the pages of a multi-page file. The file
// itself is opened by the converter and handed in with every page; the
// writer opens its TIFF stream on it (append mode) with the first page and
// keeps it, with its page count, until Close(). Each appended page's
// directory is written before Append returns. A page that fails closes the
// stream and resets the count; the next page starts a new stream on the same
// file and counts from 1 again.
class TiffMultiPageWriter {
public:
    TiffMultiPageWriter();
    ~TiffMultiPageWriter();
    TiffMultiPageWriter(const TiffMultiPageWriter &) = delete;
    TiffMultiPageWriter &operator=(const TiffMultiPageWriter &) = delete;

    Status Append(std::FILE *file, const std::string &path, const Dib &page,
                  const WriteParams &params);
    void Close();
    int PageCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace imageconv
