// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Encoding time of every format writer on the benchmark's text-like and
// photo-like pages: one line per format, milliseconds to encode each page,
// wall clock and this thread's processor time (best of up to three runs; a
// run over 1.5 s is not repeated), then the size in bytes of each page's file.
// On a busy machine the processor time is the steadier figure. Each page is
// first brought to the layout the page pipeline hands that format (GIF gets
// the 256-colour octree reduction), outside the timed part.
//
// With VANTORIA_BENCH_PAGES set to a folder, the two pages are also saved
// there as text.bmp and photo.bmp, so that other tools can be timed on the
// very same pixels (bench/compare-imagemagick.sh does).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

#include "imageconv/ImageConverter.h"
#include "imageconv/PageOps.h"
#include "imageconv/Writers.h"

using imageconv::Dib;

namespace {

using Encode = std::function<imageconv::Status(const Dib &, const std::string &)>;

struct Format {
    const char *name;
    const char *extension;
    int reduceBpp; // palette reduction before encoding, 0 = none
    Encode encode;
};

struct Timing {
    double wall = -1; // milliseconds, best run
    double cpu = -1;  // processor time of this thread in the best run
};

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Size of the file a timed encode left behind, -1 when there is none.
long long FileBytes(const std::string &path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? -1 : (long long)n;
}

Timing TimeEncode(const Encode &encode, const Dib &page, const std::string &path) {
    Timing best;
    for (int run = 0; run < 3; ++run) {
        const double c0 = ThreadCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        const imageconv::Status status = encode(page, path);
        const auto t1 = std::chrono::steady_clock::now();
        const double c1 = ThreadCpuMs();
        if (!status) {
            std::fprintf(stderr, "encoding %s failed: %s\n", path.c_str(),
                         status.message().c_str());
            return Timing{};
        }
        const double ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
        if (best.wall < 0 || ms < best.wall)
            best = Timing{ms, c1 - c0};
        if (ms > 1500)
            break;
    }
    return best;
}

Dib Prepared(const Dib &page, int reduceBpp) {
    Dib d = page;
    imageconv::SetResolution(d, 300, 300);
    if (reduceBpp)
        imageconv::ReduceColors(d, reduceBpp);
    return d;
}

} // namespace

void BenchWriters(const Dib &textPage, const Dib &photoPage) {
    using namespace imageconv;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "writers-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return;
    }
    const std::string folder = pattern + "/";

    if (const char *keep = std::getenv("VANTORIA_BENCH_PAGES")) {
        const std::string dir = std::string(keep) + "/";
        if (!WriteBmp(Prepared(textPage, 0), dir + "text.bmp") ||
            !WriteBmp(Prepared(photoPage, 0), dir + "photo.bmp"))
            std::fprintf(stderr, "cannot save the pages in %s\n", keep);
    }

    WriteParams jpeg;
    jpeg.quality = 75;
    WriteParams tiff;
    tiff.quality = 75;
    tiff.tiffCompression = IC_TIFF_JPEG;
    WriteParams tiffLzw = tiff;
    tiffLzw.tiffCompression = IC_TIFF_LZW;

    const Format formats[] = {
        {"JPEG", "jpg", 0,
         [&](const Dib &d, const std::string &p) { return WriteJpeg(d, p, jpeg); }},
        {"TIFF", "tif", 0,
         [&](const Dib &d, const std::string &p) { return WriteTiff(d, p, tiff); }},
        {"TIFF-LZW", "tif", 0,
         [&](const Dib &d, const std::string &p) { return WriteTiff(d, p, tiffLzw); }},
        {"PNG", "png", 0, [](const Dib &d, const std::string &p) { return WritePng(d, p); }},
        {"GIF", "gif", 8, [](const Dib &d, const std::string &p) { return WriteGif(d, p); }},
        {"PCX", "pcx", 0, [](const Dib &d, const std::string &p) { return WritePcx(d, p); }},
        {"TGA", "tga", 0, [](const Dib &d, const std::string &p) { return WriteTga(d, p); }},
        {"JP2", "jp2", 0,
         [](const Dib &d, const std::string &p) { return WriteJpeg2000(d, p, false, 75); }},
        {"JPC", "jpc", 0,
         [](const Dib &d, const std::string &p) { return WriteJpeg2000(d, p, true, 75); }},
        {"RAS", "ras", 0, [](const Dib &d, const std::string &p) { return WriteRas(d, p); }},
        {"EMF", "emf", 0, [](const Dib &d, const std::string &p) { return WriteEmf(d, p, 0, 0); }},
        {"WMF", "wmf", 0, [](const Dib &d, const std::string &p) { return WriteWmf(d, p, 0, 0); }},
    };

    std::printf("writers: ms to encode each page (quality 75, TIFF JPEG unless named)\n");
    for (const Format &f : formats) {
        const Dib text = Prepared(textPage, f.reduceBpp);
        const Dib photo = Prepared(photoPage, f.reduceBpp);
        const std::string path = folder + "out." + f.extension;
        const Timing t = TimeEncode(f.encode, text, path);
        const long long textBytes = FileBytes(path);
        const Timing p = TimeEncode(f.encode, photo, path);
        const long long photoBytes = FileBytes(path);
        std::printf("write %-9s text %8.1f ms cpu %8.1f ms   photo %8.1f ms cpu %8.1f ms"
                    "   bytes %10lld %10lld\n",
                    f.name, t.wall, t.cpu, p.wall, p.cpu, textBytes, photoBytes);
        std::fflush(stdout);
    }
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
}
