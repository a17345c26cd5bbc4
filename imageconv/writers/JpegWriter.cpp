// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// JPEG (JFIF) writer over libjpeg.
//
// 8-bit grey pages become one grey component, 24-bit pages three-component
// YCbCr sampled 2 x 2 / 1 x 1 / 1 x 1. The mode picks baseline (2),
// baseline with optimised Huffman tables (3) or libjpeg's simple progressive
// script (anything else). The JFIF header carries the page's resolution in
// dots per inch. Rows go to the encoder in batches straight from the page:
// 24-bit rows in the page's own blue-green-red order, grey rows as they are
// when the palette is the identity ramp.
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the encoder's call site with the library's message.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int) {}

uint16_t Density(int dpi) {
    return uint16_t(dpi < 1 ? 1 : dpi > 65535 ? 65535 : dpi);
}

// Rows handed to jpeg_write_scanlines per call.
constexpr int kBatchRows = 16;

// Everything the encoder touches between setjmp and the end lives here,
// outside the function that calls setjmp, so a longjmp leaves nothing
// indeterminate.
struct Job {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    std::vector<uint8_t> mapped; // grey rows mapped through the palette
    std::array<uint8_t, 256> grey{};
    bool identity = false; // grey[i] == i for every i
};

Status Encode(Job &job, const Dib &page, std::FILE *file, const WriteParams &params) {
    jpeg_compress_struct &cinfo = job.cinfo;
    cinfo.err = jpeg_std_error(&job.err.pub);
    job.err.pub.error_exit = OnError;
    job.err.pub.emit_message = OnMessage;
    if (setjmp(job.err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return Status::Fail(job.err.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);

    const bool grey = page.bpp == 8;
    cinfo.image_width = JDIMENSION(page.width);
    cinfo.image_height = JDIMENSION(page.height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    if (!grey) {
        jpeg_set_colorspace(&cinfo, JCS_YCbCr);
        cinfo.comp_info[0].h_samp_factor = 2;
        cinfo.comp_info[0].v_samp_factor = 2;
        for (int c = 1; c < 3; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
    }

    const int quality = params.quality & 0xff;
    switch (params.jpegMode) {
    case 2:
        jpeg_set_quality(&cinfo, quality, TRUE);
        break;
    case 3:
        jpeg_set_quality(&cinfo, quality, TRUE);
        cinfo.optimize_coding = TRUE;
        break;
    default:
        jpeg_set_quality(&cinfo, quality, FALSE);
        jpeg_simple_progression(&cinfo);
        break;
    }

    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 1;
    cinfo.X_density = Density(page.xDpi);
    cinfo.Y_density = Density(page.yDpi);

    jpeg_start_compress(&cinfo, TRUE);
    const bool map = grey && !job.identity;
    if (map)
        job.mapped.resize(size_t(page.width) * kBatchRows);
    JSAMPROW rows[kBatchRows];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int first = int(cinfo.next_scanline);
        const int count = std::min(kBatchRows, page.height - first);
        for (int k = 0; k < count; ++k) {
            // The encoder only reads its input rows.
            auto *src = const_cast<uint8_t *>(page.Row(page.height - 1 - first - k));
            if (map) {
                uint8_t *dst = job.mapped.data() + size_t(k) * size_t(page.width);
                for (int x = 0; x < page.width; ++x)
                    dst[x] = job.grey[src[x]];
                src = dst;
            }
            rows[k] = src;
        }
        jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return Status::Ok();
}

} // namespace

Status WriteJpeg(const Dib &page, const std::string &path, const WriteParams &params) {
    if (!page.IsValid() || (page.bpp != 8 && page.bpp != 24))
        return Status::Fail("JPEG takes only grey or true-colour pages");
    if (page.width > JPEG_MAX_DIMENSION || page.height > JPEG_MAX_DIMENSION)
        return TooLarge(page, JPEG_MAX_DIMENSION);
    auto job = std::make_unique<Job>();
    if (page.bpp == 8 && !GreyLevels(page, job->grey))
        return Status::Fail("JPEG takes only grey or true-colour pages");
    job->identity = true;
    for (size_t i = 0; i < job->grey.size(); ++i)
        job->identity = job->identity && job->grey[i] == i;
    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    if (Status encoded = Encode(*job, page, out.File(), params); !encoded)
        return out.Explain(encoded);
    return out.Commit();
}

} // namespace imageconv
