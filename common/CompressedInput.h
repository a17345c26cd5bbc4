// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CompressedInput: PostScript kept gzip-compressed (".ps.gz", ".eps.gz",
// ".psz"), decompressed by the program into an anonymous memory file, so the
// interpreter only ever reads the plain document and nothing is written to
// disk.
//
// Whether an input is compressed is decided by its bytes (the gzip magic
// number), not by its name: a ".ps.gz" a browser already unpacked is plain
// PostScript, and is read as it is.
//
// DecompressToMemory reads the whole compressed file and writes what it
// holds into a memfd, stopping as soon as the output would pass the limit
// (a small file that unpacks to gigabytes never fills memory). The memfd is
// sealed once written: no one can change, grow or shrink it afterwards. The
// caller owns the descriptor it returns. EngineInput wraps all of it for a
// conversion row. No Qt, no state; every function is safe from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True when `head` (a file's first bytes) starts as gzip data.
bool IsGzipData(std::string_view head);

// The most bytes a compressed input may unpack to: 1 GiB, and never more
// than half the memory the system has available at the time of the call.
std::uint64_t DecompressedLimit();

// The reason for an input that passes `limit` bytes once decompressed.
std::string TooLargeReason(std::uint64_t limit);

// Decompresses the gzip data of the regular file at `fd` (read from its
// start with pread; the descriptor's offset is left alone) into a sealed,
// close-on-exec anonymous memory file of at most `limit` bytes. The memfd's
// descriptor, or -1 with `*reason`: "damaged compressed file: <zlib's
// words>", TooLargeReason(limit), or what the system said.
int DecompressToMemory(int fd, std::uint64_t limit, std::string *reason);

// The input a conversion row hands to the engine: the file itself, or for a
// compressed file the memory file its contents were unpacked into, named
// "/proc/self/fd/N" (the engine module opens that as a regular file). The
// descriptor stays open for the object's life and is closed with it; one
// object per row, not shared between threads.
class EngineInput {
public:
    EngineInput() = default;
    ~EngineInput();
    EngineInput(const EngineInput &) = delete;
    EngineInput &operator=(const EngineInput &) = delete;

    // Checks `path` as CheckInput (InputCheck.h) does and, when it holds
    // gzip data, decompresses it (within DecompressedLimit()) and checks
    // what came out. The empty text on success, else the reason.
    std::string Open(const std::string &path);
    // The same with an explicit limit on the decompressed size.
    std::string Open(const std::string &path, std::uint64_t limit);
    // What the engine reads: the path given to Open, or "/proc/self/fd/N".
    const std::string &Path() const { return m_path; }
    // True when the input was decompressed into memory.
    bool Decompressed() const { return m_fd >= 0; }

private:
    std::string m_path;
    int m_fd = -1;
};
