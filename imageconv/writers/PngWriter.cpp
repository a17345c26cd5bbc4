// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// PNG writer over libpng.
//
//   paletted page, palette not the grey ramp   colour type 3, PLTE, depth 1/4/8
//   8-bit grey-ramp page                       colour type 0, depth 8
//   24-bit page                                colour type 2, depth 8
// Not interlaced; bKGD white; pHYs in pixels per metre.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <png.h>

#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

struct ErrorState {
    std::string message;
};

[[noreturn]] void OnError(png_structp png, png_const_charp msg) {
    auto *state = static_cast<ErrorState *>(png_get_error_ptr(png));
    state->message = msg ? msg : "PNG error";
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

int MaxIndex(const Dib &page) {
    int top = 0;
    for (int y = 0; y < page.height; ++y) {
        const uint8_t *row = page.Row(y);
        for (int x = 0; x < page.width; ++x)
            top = std::max(top, Dib::IndexAt(row, x, page.bpp));
    }
    return top;
}

// Index of the palette entry nearest to white, for bKGD of a paletted file.
int WhiteIndex(const std::vector<png_color> &plte) {
    int best = 0;
    long bestDist = -1;
    for (size_t i = 0; i < plte.size(); ++i) {
        long dr = 255 - plte[i].red, dg = 255 - plte[i].green, db = 255 - plte[i].blue;
        long d = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = int(i);
        }
    }
    return best;
}

struct Job {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ErrorState err;
    std::vector<png_color> plte;
    ~Job() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

Status Encode(Job &job, const Dib &page, std::FILE *file) {
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job.err, OnError, OnWarning);
    if (!job.png)
        return Status::Fail("Out of memory for PNG image");
    job.info = png_create_info_struct(job.png);
    if (!job.info)
        return Status::Fail("Out of memory for PNG image");
    if (setjmp(png_jmpbuf(job.png)))
        return Status::Fail(job.err.message.empty() ? "PNG encoder failed" : job.err.message);
    png_init_io(job.png, file);

    int colorType;
    int depth;
    if (page.bpp == 24) {
        colorType = PNG_COLOR_TYPE_RGB;
        depth = 8;
    } else if (page.bpp == 8 && IsGreyRamp(page)) {
        colorType = PNG_COLOR_TYPE_GRAY;
        depth = 8;
    } else {
        colorType = PNG_COLOR_TYPE_PALETTE;
        depth = page.bpp;
    }
    png_set_IHDR(job.png, job.info, png_uint_32(page.width), png_uint_32(page.height), depth,
                 colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);

    png_color_16 background{};
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(job.png, job.info, job.plte.data(), int(job.plte.size()));
        background.index = png_byte(WhiteIndex(job.plte));
    } else {
        background.red = background.green = background.blue = 255;
        background.gray = 255;
    }
    png_set_bKGD(job.png, job.info, &background);

    int32_t xppm = page.xPelsPerMeter, yppm = page.yPelsPerMeter;
    if (xppm <= 0 && page.xDpi > 0)
        xppm = int32_t(page.xDpi * 39.37007874015748 + 0.5);
    if (yppm <= 0 && page.yDpi > 0)
        yppm = int32_t(page.yDpi * 39.37007874015748 + 0.5);
    if (xppm > 0 && yppm > 0)
        png_set_pHYs(job.png, job.info, png_uint_32(xppm), png_uint_32(yppm), PNG_RESOLUTION_METER);

    png_write_info(job.png, job.info);
    // 24-bit rows go out as they are held, blue first; libpng swaps them.
    if (page.bpp == 24)
        png_set_bgr(job.png);
    for (int y = page.height - 1; y >= 0; --y)
        png_write_row(job.png, page.Row(y));
    png_write_end(job.png, job.info);
    return Status::Ok();
}

} // namespace

Status WritePng(const Dib &page, const std::string &path) {
    if (!page.IsValid() || (page.bpp != 1 && page.bpp != 4 && page.bpp != 8 && page.bpp != 24))
        return Status::Fail("PNG takes 1, 4, 8 or 24-bit pages");
    Job job;
    if (page.bpp <= 8) {
        // PLTE covers every index the pixels use, even beyond the entries
        // counted as in use, so that no pixel points outside the palette.
        int n = std::max(PaletteCount(page), MaxIndex(page) + 1);
        for (int i = 0; i < n; ++i) {
            RgbQuad c = PaletteEntry(page, i);
            job.plte.push_back(png_color{c.red, c.green, c.blue});
        }
    }
    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    if (Status encoded = Encode(job, page, out.File()); !encoded)
        return out.Explain(encoded);
    return out.Commit();
}

} // namespace imageconv
