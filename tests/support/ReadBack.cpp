// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "ReadBack.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-font.h>
#include <poppler/cpp/poppler-page.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <setjmp.h>
#include <sys/wait.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "Files.h"

namespace readback {

namespace {

std::string InfoText(QPDFObjectHandle info, const char *key) {
    if (!info.isDictionary() || !info.hasKey(key))
        return {};
    QPDFObjectHandle v = info.getKey(key);
    return v.isString() ? v.getUTF8Value() : std::string();
}

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void JpegExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}

} // namespace

PdfFacts ReadPdf(const std::string &path, const std::string &password) {
    PdfFacts f;
    try {
        QPDF q;
        q.setSuppressWarnings(true);
        q.processFile(path.c_str(), password.empty() ? nullptr : password.c_str());
        f.pages = static_cast<int>(q.getAllPages().size());
        QPDF::encryption_method_e s, st, ef;
        f.encrypted = q.isEncrypted(f.R, f.P, f.V, s, st, ef);
        QPDFObjectHandle trailer = q.getTrailer();
        if (f.encrypted) {
            QPDFObjectHandle enc = trailer.getKey("/Encrypt");
            f.keyLength =
                enc.hasKey("/Length") ? static_cast<int>(enc.getKey("/Length").getIntValue()) : 40;
        }
        QPDFObjectHandle info = trailer.getKey("/Info");
        f.title = InfoText(info, "/Title");
        f.author = InfoText(info, "/Author");
        f.subject = InfoText(info, "/Subject");
        f.keywords = InfoText(info, "/Keywords");
        f.creator = InfoText(info, "/Creator");
        f.producer = InfoText(info, "/Producer");
        f.ok = true;
    } catch (const std::exception &e) {
        f.error = e.what();
    }
    return f;
}

std::string PdfXmp(const std::string &path, const std::string &password) {
    QPDF q;
    q.setSuppressWarnings(true);
    try {
        q.processFile(path.c_str(), password.c_str());
        QPDFObjectHandle m = q.getRoot().getKey("/Metadata");
        if (!m.isStream())
            return {};
        auto data = m.getStreamData(qpdf_dl_all);
        return std::string(reinterpret_cast<const char *>(data->getBuffer()), data->getSize());
    } catch (const std::exception &) {
        return {};
    }
}

std::vector<FontFacts> PdfFonts(const std::string &path, const std::string &password) {
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_file(path, password, password));
    std::vector<FontFacts> fonts;
    if (!doc)
        return fonts;
    for (const poppler::font_info &f : doc->fonts())
        fonts.push_back({f.name(), f.is_embedded(), f.is_subset()});
    return fonts;
}

ToolResult RunReader(const std::vector<std::string> &argv) {
    std::string command;
    for (const std::string &arg : argv) {
        command += " '";
        for (char c : arg)
            command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += "'";
    }
    command += " 2>&1";
    ToolResult result;
    std::FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string PdfText(const std::string &path, const std::string &password) {
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_file(path, password, password));
    if (!doc)
        return {};
    std::string all;
    for (int i = 0; i < doc->pages(); ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        if (!page)
            continue;
        poppler::byte_array bytes = page->text().to_utf8();
        if (i)
            all += "\f";
        all.append(bytes.begin(), bytes.end());
    }
    return all;
}

std::string PdfPageText(const std::string &path, int pageIndex, const std::string &password) {
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_file(path, password, password));
    if (!doc || doc->is_locked() || pageIndex < 0 || pageIndex >= doc->pages())
        return {};
    std::unique_ptr<poppler::page> page(doc->create_page(pageIndex));
    if (!page)
        return {};
    poppler::byte_array bytes = page->text().to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

std::vector<Word> PdfWords(const std::string &path, int pageIndex, double *pageWidth,
                           double *pageHeight, const std::string &password) {
    std::vector<Word> words;
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_file(path, password, password));
    if (!doc || pageIndex >= doc->pages())
        return words;
    std::unique_ptr<poppler::page> page(doc->create_page(pageIndex));
    if (!page)
        return words;
    poppler::rectf rect = page->page_rect(poppler::crop_box);
    bool sideways = page->orientation() == poppler::page::landscape ||
                    page->orientation() == poppler::page::seascape;
    if (pageWidth)
        *pageWidth = sideways ? rect.height() : rect.width();
    if (pageHeight)
        *pageHeight = sideways ? rect.width() : rect.height();
    for (const poppler::text_box &box : page->text_list()) {
        poppler::byte_array bytes = box.text().to_utf8();
        poppler::rectf b = box.bbox();
        words.push_back({std::string(bytes.begin(), bytes.end()), b.x(), b.y(), b.width(),
                         b.height(), box.rotation()});
    }
    return words;
}

ImageFacts ReadJpeg(const std::string &path) {
    ImageFacts f;
    std::FILE *in = std::fopen(path.c_str(), "rb");
    if (!in)
        return f;
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::fclose(in);
        return ImageFacts{};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(cinfo.output_width * cinfo.output_components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&cinfo, &r, 1);
    }
    f.width = static_cast<int>(cinfo.output_width);
    f.height = static_cast<int>(cinfo.output_height);
    f.pages = 1;
    f.pageWidths = {f.width};
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    f.ok = true;
    return f;
}

ImageFacts ReadTiff(const std::string &path) {
    ImageFacts f;
    TIFFSetWarningHandler(nullptr);
    TIFF *t = TIFFOpen(path.c_str(), "r");
    if (!t)
        return f;
    do {
        uint32_t w = 0, h = 0;
        TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
        f.pageWidths.push_back(static_cast<int>(w));
        if (f.pages == 0) {
            f.width = static_cast<int>(w);
            f.height = static_cast<int>(h);
        }
        ++f.pages;
    } while (TIFFReadDirectory(t));
    TIFFClose(t);
    f.ok = f.pages > 0;
    return f;
}

unsigned RgbImage::At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return (unsigned(rgb[i]) << 16) | (unsigned(rgb[i + 1]) << 8) | rgb[i + 2];
}

RgbImage ReadPngRgb(const std::string &path) {
    RgbImage out;
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str()))
        return out;
    img.format = PNG_FORMAT_RGB;
    std::vector<png_byte> buf(PNG_IMAGE_SIZE(img));
    if (png_image_finish_read(&img, nullptr, buf.data(), 0, nullptr)) {
        out.width = static_cast<int>(img.width);
        out.height = static_cast<int>(img.height);
        out.rgb = std::move(buf);
    }
    png_image_free(&img);
    return out;
}

ImageFacts ReadPng(const std::string &path) {
    ImageFacts f;
    RgbImage img = ReadPngRgb(path);
    if (!img.rgb.empty()) {
        f.ok = true;
        f.width = img.width;
        f.height = img.height;
        f.pages = 1;
    }
    return f;
}

ImageFacts ReadGif(const std::string &path) {
    ImageFacts f;
    int err = 0;
    GifFileType *g = DGifOpenFileName(path.c_str(), &err);
    if (!g)
        return f;
    if (DGifSlurp(g) == GIF_OK && g->ImageCount >= 1) {
        f.ok = true;
        f.width = g->SWidth;
        f.height = g->SHeight;
        f.pages = g->ImageCount;
    }
    DGifCloseFile(g, &err);
    return f;
}

bool HasImageSignature(const std::string &path, int code) {
    std::string b = testsupport::ReadFile(path);
    auto starts = [&](const std::string &sig) { return b.compare(0, sig.size(), sig) == 0; };
    switch (code) {
    case 1:
        return starts("BM");
    case 2:
        return b.size() > 44 && starts(std::string("\x01\0\0\0", 4)) &&
               b.compare(40, 4, " EMF") == 0;
    case 3:
        return starts("\xD7\xCD\xC6\x9A") || starts(std::string("\x01\0\x09\0", 4)) ||
               starts(std::string("\x02\0\x09\0", 4));
    case 4:
        return starts("\xFF\xD8\xFF");
    case 5:
        return starts("\x89PNG");
    case 6:
        return starts("GIF8");
    case 7:
        return starts(std::string("II*\0", 4)) || starts(std::string("MM\0*", 4));
    case 8:
        return starts("\x0A");
    case 9:
        return b.size() > 18;
    case 10:
        return starts(std::string("\0\0\0\x0CjP  ", 8));
    case 11:
        return starts("\x59\xA6\x6A\x95");
    case 12:
        return starts("\xFF\x4F\xFF\x51");
    default:
        return false;
    }
}

} // namespace readback
