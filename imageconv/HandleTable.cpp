// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The handle interface: a table of converter records keyed by positive
// integers, safe for several threads at once. Handles are not reused while
// the table holds them; after 2^31 - 1 creations the numbering starts again
// at 1, skipping handles still in use.
#include <climits>
#include <exception>
#include <mutex>
#include <unordered_map>

#include "common/CopyText.h"
#include "imageconv/ConverterRecord.h"
#include "imageconv/ImageConverter.h"

namespace imageconv {
namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<int, std::shared_ptr<ImageConverter>> records;
    int next = 1;
};

HandleTable &Table() {
    static HandleTable table;
    return table;
}

} // namespace

ImageConverter::ImageConverter() : m_pTiffImage(std::make_unique<TiffMultiPageWriter>()) {}

ImageConverter::~ImageConverter() {
    CloseMultiPage();
}

void ImageConverter::CloseMultiPage() {
    if (m_pTiffImage)
        m_pTiffImage->Finish();
}

std::shared_ptr<ImageConverter> LookupConverter(int handle) {
    if (handle <= 0)
        return nullptr;
    HandleTable &t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.records.find(handle);
    return it == t.records.end() ? nullptr : it->second;
}

} // namespace imageconv

using imageconv::ImageConverter;
using imageconv::LookupConverter;

int ImageConverterCreate() {
    try {
        auto record = std::make_shared<ImageConverter>();
        imageconv::HandleTable &t = imageconv::Table();
        std::lock_guard<std::mutex> guard(t.lock);
        if (t.records.size() >= size_t(INT_MAX - 1))
            return 0;
        int handle = t.next;
        while (t.records.count(handle))
            handle = handle == INT_MAX ? 1 : handle + 1;
        t.next = handle == INT_MAX ? 1 : handle + 1;
        t.records.emplace(handle, std::move(record));
        return handle;
    } catch (...) {
        return 0;
    }
}

int ImageConverterAddFile(int handle, const char *path, int inputType) {
    try {
        auto ic = LookupConverter(handle);
        if (!ic)
            return 0;
        std::string resolved = imageconv::ResolvePath(path, imageconv::kMaxInputPath);
        if (resolved.empty())
            return 0;
        ic->m_files.push_back(std::move(resolved));
        ic->m_nInputType = inputType;
        return 1;
    } catch (...) {
        return 0;
    }
}

int ImageConverterSetOption(int handle, int option, const char *text, int value,
                            const char * /*reserved*/) {
    try {
        auto ic = LookupConverter(handle);
        if (!ic)
            return 0;
        return imageconv::SetConverterOption(*ic, option, text, value);
    } catch (...) {
        return 0;
    }
}

int ImageConverterConvert(int handle) {
    auto ic = LookupConverter(handle);
    if (!ic)
        return 0;
    try {
        imageconv::ConvertPages(*ic);
    } catch (...) {
        // A page that fails leaves no output; convert reports nothing else,
        // the reason is kept for ImageConverterLastError.
        try {
            ic->m_lastError = "out of memory";
        } catch (...) {
        }
    }
    return 1;
}

int ImageConverterDestroy(int handle) {
    if (handle <= 0)
        return 0;
    std::shared_ptr<ImageConverter> record;
    {
        imageconv::HandleTable &t = imageconv::Table();
        std::lock_guard<std::mutex> guard(t.lock);
        auto it = t.records.find(handle);
        if (it == t.records.end())
            return 0;
        record = std::move(it->second);
        t.records.erase(it);
    }
    // Convert has finished the multi-page file; one it did not finish (its
    // conversion was cut short) is finished here, outside the table's lock.
    record->CloseMultiPage();
    return 1;
}

int ImageConverterLastError(int handle, char *buffer, int size) {
    try {
        auto ic = LookupConverter(handle);
        if (!ic)
            return -1;
        return CopyText(ic->m_lastError, buffer, size);
    } catch (...) {
        return -1;
    }
}
