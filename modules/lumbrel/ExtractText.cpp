// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/ExtractText.h"

#include "modules/lumbrel/ReplaceFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

#include "common/FileErrors.h"

namespace lumbrel {
namespace {

void Silent(const std::string &, void *) {}

// The ligature characters U+FB00 to U+FB06 (UTF-8 EF AC 80 to EF AC 86)
// written as their letters, so the words they are part of can be searched;
// nothing else is changed.
void SpellOutLigatures(std::string &text) {
    static constexpr const char *kLetters[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    std::string out;
    std::size_t done = 0;
    for (std::size_t at = text.find("\xEF\xAC"); at != std::string::npos;
         at = text.find("\xEF\xAC", at + 1)) {
        if (at + 2 >= text.size())
            break;
        const unsigned char last = static_cast<unsigned char>(text[at + 2]);
        if (last < 0x80 || last > 0x86)
            continue;
        out.append(text, done, at - done);
        out += kLetters[last - 0x80];
        done = at + 3;
    }
    if (done == 0)
        return;
    out.append(text, done, std::string::npos);
    text = std::move(out);
}

bool Fail(std::string *error, const std::string &message) {
    if (error)
        *error = message;
    return false;
}

} // namespace

bool ExtractText(const std::string &pdf, const std::string &txt, TextLayout layout, bool formFeeds,
                 std::string *error) {
    try {
        // poppler reports damaged input on stderr unless told otherwise.
        static std::once_flag silenced;
        std::call_once(silenced, [] { poppler::set_debug_error_function(Silent, nullptr); });
        if (pdf.empty() || txt.empty())
            return Fail(error, "empty path");

        const int probe = ::open(pdf.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0) {
            const int err = errno;
            return Fail(error, std::string("can't read the PDF: ") + std::strerror(err));
        }
        ::close(probe);
        std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf));
        if (!doc)
            return Fail(error, "the PDF is damaged");
        if (doc->is_locked())
            return Fail(error, "the PDF needs a password");

        const auto mode = layout == TextLayout::Raw ? poppler::page::raw_order_layout
                                                    : poppler::page::physical_layout;
        std::string text;
        const int pages = doc->pages();
        for (int i = 0; i < pages; ++i) {
            std::unique_ptr<poppler::page> page(doc->create_page(i));
            if (!page)
                return Fail(error, "page " + std::to_string(i + 1) + " can't be read");
            poppler::byte_array bytes = page->text(poppler::rectf(), mode).to_utf8();
            // poppler ends each page with its own form feed; the separator
            // between pages is ours to choose, and none follows the last.
            size_t end = bytes.size();
            while (end > 0 && bytes[end - 1] == '\f')
                --end;
            if (i > 0)
                text += formFeeds ? '\f' : '\n';
            text.append(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end));
        }

        SpellOutLigatures(text);
        ReplaceFile out;
        if (!out.Open(txt))
            return Fail(error, out.error());
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), out.file()) != text.size())
            return Fail(error, FailReason(errno, "can't write the text"));
        if (!out.Commit())
            return Fail(error, out.error());
        return true;
    } catch (std::bad_alloc &) {
        return Fail(error, "out of memory");
    } catch (std::exception &e) {
        return Fail(error, e.what());
    } catch (...) {
        return Fail(error, "unknown failure");
    }
}

} // namespace lumbrel
