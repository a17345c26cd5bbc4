// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What the EMF and WMF writers share: the fixed reference screen the frame
// is computed against, the target rectangle, the page's bitmap header, and
// the holder of the metafile library's state while a file is being built.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <uemf.h>

#include "imageconv/Dib.h"
#include "imageconv/Status.h"
#include "imageconv/writers/WriterSupport.h"

namespace imageconv {

// The reference screen: 1920 x 1080 pixels over 508 x 286 millimetres, so
// the same page always gives the same file.
constexpr int kScreenPixelsX = 1920;
constexpr int kScreenPixelsY = 1080;
constexpr int kScreenMillimetresX = 508;
constexpr int kScreenMillimetresY = 286;

// The rectangle the page is drawn into: the target size, or the page's own
// size in pixels for a dimension that is not set, so the picture always has
// an area.
struct MetafileTarget {
    int32_t width;
    int32_t height;
};

inline MetafileTarget TargetFor(const Dib &page, int width, int height) {
    return MetafileTarget{width > 0 ? width : page.width, height > 0 ? height : page.height};
}

using BitmapInfo = std::unique_ptr<U_BITMAPINFO, decltype(&std::free)>;

// The uncompressed 24-bit bitmap header of the whole page, with its
// resolution; empty when out of memory.
inline BitmapInfo BitmapInfoFor(const Dib &page) {
    U_BITMAPINFOHEADER header =
        bitmapinfoheader_set(page.width, page.height, 1, 24, U_BI_RGB, uint32_t(page.bits.size()),
                             page.xPelsPerMeter, page.yPelsPerMeter, 0, 0);
    return BitmapInfo(bitmapinfo_set(header, nullptr), &std::free);
}

// The library's record list and object handle table for one file, freed
// whatever happens. Library names the EMF or WMF flavour of the library:
//   Track, Handles, Record       its types
//   Start(name, &track)          opens the file and the record list
//   CreateHandles(&handles)      the object handle table
//   Append(record, track)        takes ownership of one record
//   Finish(track, handles)       writes the records out
//   FreeTrack(&track), FreeHandles(&handles)
// A record that could not be made or added makes every later Add a no-op
// and Finish a failure.
template <class Library> class MetafileRecords {
public:
    using Track = typename Library::Track;
    using Handles = typename Library::Handles;

    MetafileRecords() = default;
    ~MetafileRecords() {
        if (track_)
            Library::FreeTrack(&track_);
        if (handles_)
            Library::FreeHandles(&handles_);
    }
    MetafileRecords(const MetafileRecords &) = delete;
    MetafileRecords &operator=(const MetafileRecords &) = delete;

    // Starts the library's record list on the output's temporary. The
    // library opens the file by name; its stream is swapped for the
    // output's own before anything is written, so every write the library
    // makes is seen (a full disk among them, which the library would let
    // pass at its closing of the file).
    Status Start(OutputFile &out, const std::string &path) {
        if (!out.IsOpen())
            return out.OpenStatus();
        if (Library::Start(out.TempPath().c_str(), &track_) != 0 ||
            Library::CreateHandles(&handles_) != 0)
            return Status::Fail("Cannot create " + path);
        if (track_->fp)
            std::fclose(track_->fp);
        track_->fp = out.ReleaseStream();
        return Status::Ok();
    }

    Track *track() const { return track_; }
    Handles *handles() const { return handles_; }

    // Takes ownership of a record made by one of the library's *_set
    // functions (null when it could not be made).
    void Add(char *record) {
        if (!record) {
            ok_ = false;
            return;
        }
        if (!ok_) {
            std::free(record);
            return;
        }
        if (Library::Append(reinterpret_cast<typename Library::Record *>(record), track_) != 0)
            ok_ = false;
    }

    // Writes the records, closes the file (only then is it complete) and
    // puts it in place under the output's name.
    Status Finish(OutputFile &out, const std::string &path) {
        const bool finished = ok_ && Library::Finish(track_, handles_) == 0;
        // A stream the library closed is not closed again when it is freed.
        if (out.StreamClosed())
            track_->fp = nullptr;
        if (!finished)
            return out.Explain(Status::Fail("Cannot write " + path));
        Library::FreeTrack(&track_);
        track_ = nullptr;
        return out.Commit();
    }

private:
    Track *track_ = nullptr;
    Handles *handles_ = nullptr;
    bool ok_ = true;
};

} // namespace imageconv
