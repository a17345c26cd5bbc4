// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// JPEG 2000 writer over OpenJPEG: a JP2 file or a bare J2K code stream.
//
// The page becomes one component in the grey colour space (8-bit grey page)
// or three components red, green, blue in sRGB (24-bit page), unsigned, 8
// bits, full size, rows from the top. The rate comes from the quality as the
// text "rate=%.3f" of quality / 100 read back: a rate r below 1 is one
// quality layer at compression ratio 1 / r, and r >= 1 is lossless. The
// wavelet is always the reversible 5/3 one.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <openjpeg.h>

#include "imageconv/Writers.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

namespace {

OPJ_SIZE_T WriteProc(void *buffer, OPJ_SIZE_T n, void *user) {
    auto *file = static_cast<std::FILE *>(user);
    size_t done = std::fwrite(buffer, 1, n, file);
    return done == n ? done : OPJ_SIZE_T(-1);
}

OPJ_OFF_T SkipProc(OPJ_OFF_T n, void *user) {
    auto *file = static_cast<std::FILE *>(user);
    return ::fseeko(file, off_t(n), SEEK_CUR) == 0 ? n : -1;
}

OPJ_BOOL SeekProc(OPJ_OFF_T pos, void *user) {
    auto *file = static_cast<std::FILE *>(user);
    return ::fseeko(file, off_t(pos), SEEK_SET) == 0 ? OPJ_TRUE : OPJ_FALSE;
}

void OnError(const char *msg, void *user) {
    auto *message = static_cast<std::string *>(user);
    if (message->empty() && msg)
        *message = msg;
}

void OnQuiet(const char *, void *) {}

struct ImageDeleter {
    void operator()(opj_image_t *p) const { opj_image_destroy(p); }
};
struct CodecDeleter {
    void operator()(opj_codec_t *p) const { opj_destroy_codec(p); }
};
struct StreamDeleter {
    void operator()(opj_stream_t *p) const { opj_stream_destroy(p); }
};

// Resolution levels the page can carry: every level must keep at least one
// sample in each direction.
int Resolutions(int width, int height) {
    int n = 1;
    int side = width < height ? width : height;
    while (n < 6 && (side >> n) > 0)
        ++n;
    return n;
}

} // namespace

double Jpeg2000Rate(int quality) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", (quality & 0xff) / 100.0);
    return std::strtod(text, nullptr);
}

namespace {

using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

// The page as an OpenJPEG image: one grey component (levels through `grey`)
// or red, green, blue; rows from the top. Null when out of memory.
ImagePtr MakeImage(const Dib &page, const std::array<uint8_t, 256> &grey) {
    const int comps = page.bpp == 24 ? 3 : 1;
    opj_image_cmptparm_t parms[3]{};
    for (int c = 0; c < comps; ++c) {
        parms[c].dx = parms[c].dy = 1;
        parms[c].w = OPJ_UINT32(page.width);
        parms[c].h = OPJ_UINT32(page.height);
        parms[c].prec = 8;
        parms[c].sgnd = 0;
    }
    ImagePtr image(
        opj_image_create(OPJ_UINT32(comps), parms, comps == 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY));
    if (!image)
        return image;
    image->x0 = image->y0 = 0;
    image->x1 = OPJ_UINT32(page.width);
    image->y1 = OPJ_UINT32(page.height);
    for (int y = 0; y < page.height; ++y) {
        const uint8_t *src = page.Row(page.height - 1 - y);
        size_t base = size_t(y) * size_t(page.width);
        if (comps == 3) {
            OPJ_INT32 *r = image->comps[0].data + base;
            OPJ_INT32 *g = image->comps[1].data + base;
            OPJ_INT32 *b = image->comps[2].data + base;
            for (int x = 0; x < page.width; ++x, src += 3) {
                b[x] = src[0];
                g[x] = src[1];
                r[x] = src[2];
            }
        } else {
            OPJ_INT32 *v = image->comps[0].data + base;
            for (int x = 0; x < page.width; ++x)
                v[x] = grey[src[x]];
        }
    }
    return image;
}

opj_cparameters_t EncoderParameters(const Dib &page, int quality) {
    opj_cparameters_t cp;
    opj_set_default_encoder_parameters(&cp);
    cp.irreversible = 0;
    cp.tcp_numlayers = 1;
    cp.cp_disto_alloc = 1;
    double rate = Jpeg2000Rate(quality);
    if (rate >= 1.0) {
        cp.tcp_rates[0] = 0; // lossless
    } else {
        // A rate of 0 would ask for no data at all; the smallest rate the
        // text can express keeps a picture.
        if (rate < 0.001)
            rate = 0.001;
        cp.tcp_rates[0] = float(1.0 / rate);
    }
    cp.numresolution = Resolutions(page.width, page.height);
    cp.tcp_mct = page.bpp == 24 ? 1 : 0;
    return cp;
}

// Runs the encoder into the output's stream; `message` holds the encoder's
// error text.
Status Encode(opj_codec_t *codec, opj_image_t *image, OutputFile &out, const std::string &path,
              const std::string &message) {
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(
        opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
    if (!stream)
        return Status::Fail("Out of memory for " + path);
    opj_stream_set_user_data(stream.get(), out.File(), nullptr);
    opj_stream_set_write_function(stream.get(), WriteProc);
    opj_stream_set_skip_function(stream.get(), SkipProc);
    opj_stream_set_seek_function(stream.get(), SeekProc);
    if (!opj_start_compress(codec, image, stream.get()) || !opj_encode(codec, stream.get()) ||
        !opj_end_compress(codec, stream.get()))
        return out.Explain(Status::Fail(message.empty() ? "Cannot write " + path : message));
    return Status::Ok();
}

} // namespace

Status WriteJpeg2000(const Dib &page, const std::string &path, bool codestream, int quality) {
    std::array<uint8_t, 256> grey{};
    if (!page.IsValid() || (page.bpp != 24 && !GreyLevels(page, grey)))
        return Status::Fail("JasPer can save only RGB or GrayScale images");
    ImagePtr image = MakeImage(page, grey);
    if (!image)
        return Status::Fail("Out of memory for JPEG 2000 image");
    opj_cparameters_t cp = EncoderParameters(page, quality);

    std::string message;
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(
        opj_create_compress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
    if (!codec)
        return Status::Fail("Out of memory for JPEG 2000 encoder");
    opj_set_error_handler(codec.get(), OnError, &message);
    opj_set_warning_handler(codec.get(), OnQuiet, nullptr);
    opj_set_info_handler(codec.get(), OnQuiet, nullptr);
    if (!opj_setup_encoder(codec.get(), &cp, image.get()))
        return Status::Fail(message.empty() ? "JPEG 2000 encoder setup failed" : message);

    OutputFile out(path);
    if (!out.IsOpen())
        return out.OpenStatus();
    if (Status encoded = Encode(codec.get(), image.get(), out, path, message); !encoded)
        return encoded;
    return out.Commit();
}

} // namespace imageconv
