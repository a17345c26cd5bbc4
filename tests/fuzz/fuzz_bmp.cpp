// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Fuzz target: the BMP page reader over arbitrary file contents.
//
// The reader takes a path, so each input is written to one scratch file of
// this process first. A page the reader accepts must be a consistent
// bitmap: its pixel buffer exactly height rows of its stride, no larger than
// the converter's page limit, with a palette for every indexed depth.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "imageconv/PageOps.h"

namespace {

const std::string &ScratchPath() {
    static const std::string path = [] {
        const char *tmp = std::getenv("TMPDIR");
        std::string base = tmp && *tmp ? tmp : "/tmp";
        return base + "/vantoria-fuzz-bmp-" + std::to_string(getpid()) + ".bmp";
    }();
    return path;
}

bool WriteScratch(const uint8_t *data, size_t size) {
    int fd = open(ScratchPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            close(fd);
            return false;
        }
        done += size_t(n);
    }
    return close(fd) == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    std::atexit([] { unlink(ScratchPath().c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (!WriteScratch(data, size))
        std::abort();
    imageconv::Dib page;
    imageconv::Status status = imageconv::ReadBmp(ScratchPath(), page);
    if (!status.ok()) {
        if (page.width != 0 || !page.bits.empty())
            std::abort(); // a refused page is left empty
        return 0;
    }
    if (!page.IsValid() || page.bits.size() > imageconv::Dib::kMaxBytes ||
        page.stride != imageconv::Dib::StrideFor(page.width, page.bpp))
        std::abort();
    if (page.bpp != 24 && page.palette.size() != (size_t(1) << page.bpp))
        std::abort();
    return 0;
}
