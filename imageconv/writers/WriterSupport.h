// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Pieces shared by the format writers: the output file that only appears
// under its real name once it is complete, a counting byte sink for the
// hand-written formats and palette inspection.
//
// OutputFile is the writers' side of AtomicFile (common/AtomicFile.h): the
// page is written into a short hidden temporary in the destination's folder,
// which Commit() moves over the destination; destroying it uncommitted
// removes the temporary, so a failed write leaves no file and never touches
// a file that already had the destination's name.
//
// Every byte written through File() goes down to the temporary by write(2)
// here, so the first failed write's errno is kept (WriteError) whatever the
// library that wrote it made of it: a full disk is known as a full disk
// wherever it was met, and the Status a writer returns through Failure()
// carries it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "common/AtomicFile.h"
#include "imageconv/Dib.h"
#include "imageconv/Status.h"

namespace imageconv {

class OutputFile {
public:
    explicit OutputFile(const std::string &path);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    bool IsOpen() const { return file_.IsOpen(); }
    // Why the temporary could not be created (Ok once it is open).
    const Status &OpenStatus() const { return openStatus_; }
    // The stream over the temporary (null once closed or released).
    std::FILE *File() const { return stream_; }
    // The temporary's descriptor, for writers that use positioned writes;
    // such a writer reports a failed write's errno through NoteError.
    int Fd() const { return file_.Fd(); }
    // The temporary being written, for libraries that open files by name.
    const std::string &TempPath() const { return file_.TempPath(); }
    // Hands the stream to a library that closes it itself; StreamClosed()
    // then tells whether it did.
    std::FILE *ReleaseStream();
    bool StreamClosed() const;
    // The errno of the first write, seek or close that failed (0 if none).
    int WriteError() const;
    void NoteError(int err);
    // A failure of this file: `message`, with the first recorded errno.
    Status Failure(const std::string &message) const;
    // A failed step of the writer (a library's own message), given the first
    // recorded errno when it has none of its own: the library gave up
    // because a write failed.
    Status Explain(Status failed) const;
    // Flushes and closes the stream (the temporary stays, uncommitted).
    Status CloseStream();
    // Closes the stream if still open and moves the temporary over the
    // destination. Fails when the file never opened, or any write, the close
    // or the move failed.
    Status Commit();

    struct Sink; // what the stream writes through

private:
    std::string path_;
    AtomicFile file_;
    std::unique_ptr<Sink> sink_;
    std::FILE *stream_ = nullptr;
    bool released_ = false;
    Status openStatus_ = Status::Ok();
    bool committed_ = false;
};

// Buffered writer over a FILE* that counts what it has written, so that a
// hand-written format can check its size against the one it predicted.
class ByteSink {
public:
    explicit ByteSink(std::FILE *file) : file_(file) {}
    ~ByteSink() { Flush(); }
    ByteSink(const ByteSink &) = delete;
    ByteSink &operator=(const ByteSink &) = delete;

    void U8(unsigned v) {
        if (used_ == buf_.size())
            Flush();
        buf_[used_++] = uint8_t(v);
    }
    void U16LE(unsigned v) {
        U8(v & 0xff);
        U8((v >> 8) & 0xff);
    }
    void U16BE(unsigned v) {
        U8((v >> 8) & 0xff);
        U8(v & 0xff);
    }
    void U32LE(uint32_t v) {
        U16LE(v & 0xffff);
        U16LE(v >> 16);
    }
    void U32BE(uint32_t v) {
        U16BE(v >> 16);
        U16BE(v & 0xffff);
    }
    void Bytes(const void *data, size_t n);
    void Zeros(size_t n) {
        while (n--)
            U8(0);
    }
    bool Flush();
    uint64_t Count() const { return count_ + used_; }
    bool Ok() const { return ok_; }

private:
    std::FILE *file_;
    std::array<uint8_t, 65536> buf_{};
    size_t used_ = 0;
    uint64_t count_ = 0;
    bool ok_ = true;
};

// "page too large for the format (W x H pixels, at most N)".
Status TooLarge(const Dib &page, long long most);

// Number of palette entries a paletted page uses: colorsUsed when set, else
// every entry its depth can address; never more than the palette holds.
int PaletteCount(const Dib &page);

// Palette entry i, black for an index the palette does not hold.
RgbQuad PaletteEntry(const Dib &page, int i);

// Entry i of a palette written at a fixed length: the page's entry i while
// it is in use (PaletteCount), black past them.
RgbQuad UsedPaletteEntry(const Dib &page, int i);

// True when entry i is (v, v, v) with v = i * 255 / (2^bpp - 1) for every
// entry in use: the page's indices are its grey levels at full scale.
bool IsGreyRamp(const Dib &page);

// For an 8-bit page whose entries in use are all grey, fills grey[i] with
// entry i's level (indices outside the palette read as 0) and returns true;
// false for a coloured palette or another depth.
bool GreyLevels(const Dib &page, std::array<uint8_t, 256> &grey);

// Luminance of a palette entry, for comparing two entries' brightness.
int Brightness(const RgbQuad &c);

// The JPEG 2000 rate for a quality: its low 8 bits / 100, formatted with three
// decimals ("rate=%.3f") and read back, so 75 gives 0.75 and 300 gives 0.44.
double Jpeg2000Rate(int quality);

} // namespace imageconv
