// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Timings of the page pipeline on an A4 page at 300 dpi (2480 x 3508,
// 24 bits), once text-like (few colours) and once photo-like (many colours).
// One line per step: page kind, step, milliseconds (best of a few runs).
//
//   imageconv-bench [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "imageconv/PageOps.h"
#include "imageconv/Writers.h"

// Per-format writer timings (imageconv_writers_bench.cpp).
void BenchWriters(const imageconv::Dib &textPage, const imageconv::Dib &photoPage);

using imageconv::Dib;

namespace {

constexpr int kWidth = 2480, kHeight = 3508;

void Put(Dib &d, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t *p = d.Row(y) + size_t(x) * 3;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

// White paper, lines of black "words", a few coloured headings and rules.
Dib TextPage() {
    Dib d;
    d.Allocate(kWidth, kHeight, 24);
    std::fill(d.bits.begin(), d.bits.end(), uint8_t(255));
    uint32_t seed = 1;
    auto rnd = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int line = 0; line < 80; ++line) {
        const int top = kHeight - 250 - line * 40;
        const bool heading = line % 16 == 0;
        const uint8_t r = heading ? 180 : 0, g = heading ? 20 : 0, b = heading ? 40 : 0;
        int x = 240;
        while (x < kWidth - 300) {
            const int word = 30 + int(rnd() % 140);
            for (int y = top - 28; y < top; ++y)
                for (int i = 0; i < word; ++i)
                    if ((rnd() >> 28) < 9) // glyph-like speckle inside the word box
                        Put(d, x + i, y, r, g, b);
            x += word + 24;
        }
    }
    for (int x = 240; x < kWidth - 240; ++x)
        for (int y = 200; y < 206; ++y)
            Put(d, x, y, 30, 60, 160);
    return d;
}

// Smooth gradients with noise: a colour for nearly every pixel.
Dib PhotoPage() {
    Dib d;
    d.Allocate(kWidth, kHeight, 24);
    uint32_t seed = 7;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 27) - 16;
            const int r = (x * 255) / kWidth + n;
            const int g = (y * 255) / kHeight - n;
            const int b = ((x + y) * 255) / (kWidth + kHeight) + (n >> 1);
            Put(d, x, y, uint8_t(std::clamp(r, 0, 255)), uint8_t(std::clamp(g, 0, 255)),
                uint8_t(std::clamp(b, 0, 255)));
        }
    return d;
}

// Best time of `runs` runs of `step` on a fresh copy of `page`.
double Time(const Dib &page, int runs, const std::function<bool(Dib &)> &step) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        Dib copy = page;
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = step(copy);
        const auto t1 = std::chrono::steady_clock::now();
        if (!ok) {
            std::fprintf(stderr, "step failed\n");
            std::exit(1);
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

void Bench(const char *kind, const Dib &page, int runs, const std::string &folder) {
    using namespace imageconv;
    const std::string in = folder + "/" + kind + "-in.bmp";
    const std::string out = folder + "/" + kind + "-out.bmp";
    if (!WriteBmp(page, in)) {
        std::fprintf(stderr, "cannot write %s\n", in.c_str());
        std::exit(1);
    }
    auto line = [&](const char *step, double ms) {
        std::printf("%-6s %-22s %9.1f ms\n", kind, step, ms);
        std::fflush(stdout);
    };
    line("read", Time(page, runs, [&](Dib &d) { return bool(ReadBmp(in, d)); }));
    line("grey", Time(page, runs, [](Dib &d) { return bool(ConvertToGrey(d)); }));
    line("octree+reduce 256", Time(page, runs, [](Dib &d) { return bool(ReduceColors(d, 8)); }));
    line("octree+reduce 16", Time(page, runs, [](Dib &d) { return bool(ReduceColors(d, 4)); }));
    line("reduce b&w", Time(page, runs, [](Dib &d) { return bool(ReduceColors(d, 1)); }));
    line("rotate 90", Time(page, runs, [](Dib &d) { return bool(RotatePage(d, 90)); }));
    line("free rotate 30", Time(page, runs, [](Dib &d) { return bool(RotateFree(d, 30.0)); }));
    line("resize half", Time(page, runs, [](Dib &d) {
             return bool(ResizeNearest(d, d.width / 2, d.height / 2));
         }));
    line("bmp write", Time(page, runs, [&](Dib &d) { return bool(WriteBmp(d, out)); }));
}

} // namespace

int main(int argc, char **argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "imageconv-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const Dib text = TextPage();
    const Dib photo = PhotoPage();
    std::printf("A4 at 300 dpi, %d x %d, 24 bits; best of %d runs\n", kWidth, kHeight, runs);
    Bench("text", text, runs, pattern);
    Bench("photo", photo, runs, pattern);
    BenchWriters(text, photo);
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
    return 0;
}
