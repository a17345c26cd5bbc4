// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// page-count-bench: what a page count costs beside the conversions it sits
// next to, through the real engine module (warm servers as a run has them).
//
//   page-count-bench FILE [RUNS]      (default 9)
//
// Each round runs every method once over FILE, in turn, so a drift of the
// machine's speed reaches all of them alike; after one round not counted,
// prints per method the minimum, median and maximum milliseconds and the
// pages it saw:
//   count      CountPages (one-bit pages of 10 dpi, a file per page)
//   pgm-file   the same pages as 8-bit grey, all in one file (not counted)
//   nullpage   interpreting alone, no page written (no count to be had)
//   png-72     the page files an image row renders at 72 dpi
//   pdf        the PDF a PDF or text row has the interpreter write
// Nothing outside a temporary folder is written.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/EngineArgs.h"
#include "convert/EngineModule.h"
#include "convert/PageCount.h"
#include "convert/RunEngine.h"
#include "convert/TempFiles.h"
#include "settings/ConvertSettings.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Method {
    const char *name;
    std::function<int()> run; // the pages seen, -1 on a failure
    std::vector<double> ms;
    int pages = 0;
};

// The engine's page files of one run into a fresh folder, counted and gone.
int RenderCounted(const EngineModule &engine, const std::string &tmp,
                  const std::function<ArgumentVector(const std::string &)> &args) {
    const std::string folder = CreatePageFolder(tmp);
    const bool ok = RunEngine(engine, args(folder));
    const std::vector<std::string> files = ListPageFiles(folder);
    DeletePageFiles(folder, files);
    return ok ? static_cast<int>(files.size()) : -1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: page-count-bench FILE [RUNS]\n");
        return 2;
    }
    const std::string input = std::filesystem::absolute(argv[1]).string();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    EngineModule engine;
    if (!LoadEngineModule(std::string(VANTORIA_BIN_DIR) + "/tessarin.so", engine)) {
        std::fprintf(stderr, "can't load tessarin.so from %s\n", VANTORIA_BIN_DIR);
        return 1;
    }
    std::error_code ec;
    const std::string tmp =
        (std::filesystem::temp_directory_path() / ("page-count-bench-" + std::to_string(getpid())))
            .string() +
        "/";
    std::filesystem::create_directories(tmp, ec);

    ImageSettings img;
    img.nXDpi = img.nYDpi = 72;
    PdfSettings pdf;
    std::vector<Method> methods = {
        {"count", [&] { return CountPages(engine, input, tmp, 0).pages; }, {}},
        {"pgm-file",
         [&] {
             ArgumentVector a = PageCountArguments(tmp, input);
             a[4] = "-sDEVICE=pgmraw";
             a[5] = "-sOutputFile=" + tmp + "all.pgm";
             const bool ok = RunEngine(engine, a);
             std::filesystem::remove(tmp + "all.pgm", ec);
             return ok ? 0 : -1;
         },
         {}},
        {"nullpage",
         [&] {
             ArgumentVector a = PageCountArguments(tmp, input);
             a[4] = "-sDEVICE=nullpage";
             a.erase(a.begin() + 5);
             return RunEngine(engine, a) ? 0 : -1;
         },
         {}},
        {"png-72",
         [&] {
             return RenderCounted(engine, tmp, [&](const std::string &folder) {
                 return RenderArguments(folder, img, 5, input);
             });
         },
         {}},
        {"pdf",
         [&] {
             const std::string out = tmp + "out.pdf";
             const bool ok = RunEngine(engine, PdfArguments(pdf, out, input));
             std::filesystem::remove(out, ec);
             return ok ? 0 : -1;
         },
         {}},
    };
    for (int round = 0; round <= runs; ++round) {
        for (Method &m : methods) {
            const auto start = Clock::now();
            m.pages = m.run();
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (round > 0)
                m.ms.push_back(ms);
        }
    }
    std::printf("%s, %d runs\n%-10s %9s %9s %9s %6s\n", input.c_str(), runs, "method", "min ms",
                "median ms", "max ms", "pages");
    for (Method &m : methods) {
        std::sort(m.ms.begin(), m.ms.end());
        std::printf("%-10s %9.1f %9.1f %9.1f %6d\n", m.name, m.ms.front(), m.ms[m.ms.size() / 2],
                    m.ms.back(), m.pages);
    }
    if (engine.abandonServers)
        engine.abandonServers();
    std::filesystem::remove_all(tmp, ec);
    FreeEngineModule(engine);
    return 0;
}
