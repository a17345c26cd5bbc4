// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The entry points of lumbrel.so. See Lumbrel.h.
#include "modules/lumbrel/Lumbrel.h"

#include "modules/lumbrel/ExtractText.h"
#include "modules/lumbrel/LatinText.h"
#include "modules/lumbrel/PostProcess.h"

#include "common/CopyText.h"

#include <utility>

#include <poppler/cpp/poppler-version.h>
#include <qpdf/QPDF.hh>

#define LUMBREL_EXPORT __attribute__((visibility("default")))

#ifndef VANTORIA_VERSION
#define VANTORIA_VERSION "0"
#endif

namespace {

constexpr int kDefaultStampSize = 16;

// The calling thread's last failure of this module ("" after a success).
thread_local std::string t_lastError;

// Keeps `message` as the thread's last failure when `ok` is false.
int Outcome(bool ok, const std::string &message) {
    try {
        t_lastError = ok ? std::string() : message.empty() ? "unknown failure" : message;
    } catch (...) {
    }
    return ok ? 1 : 0;
}

int OutOfMemory() {
    return Outcome(false, "out of memory");
}

std::string Text(const char *s) {
    return s ? lumbrel::CleanUtf8(s) : std::string();
}

constexpr int kLevelRc4Bits40 = 0;
constexpr int kLevelAes256 = 2;

lumbrel::SecurityRequest Security(const lumbrel::PostProcessJob &job, int keyLevel,
                                  int permissions) {
    lumbrel::SecurityRequest security;
    security.cipher = keyLevel == kLevelAes256      ? lumbrel::Cipher::Aes256
                      : keyLevel == kLevelRc4Bits40 ? lumbrel::Cipher::Rc4Bits40
                                                    : lumbrel::Cipher::Rc4Bits128;
    security.permissions = permissions;
    security.ownerPassword = job.ownerPassword;
    security.userPassword = job.userPassword;
    return security;
}

lumbrel::PostProcessJob MakeJob(const char *pdf, const char *opass, const char *upass,
                                const char *appText, int tuse, const char *text, int fcolor,
                                int fsize, int fposInverted, int frotate, int foffx, int foffy,
                                int bground, const char *title, const char *author,
                                const char *subject, const char *keywords, const char *creator,
                                const char *producer) {
    lumbrel::PostProcessJob job;
    // Paths and passwords go through byte for byte.
    job.pdf = pdf ? pdf : "";
    job.ownerPassword = opass ? opass : "";
    job.userPassword = upass ? upass : "";
    job.appText = Text(appText);
    job.info = {Text(title),    Text(author),  Text(subject),
                Text(keywords), Text(creator), Text(producer)};
    if (tuse == 1 && text && *text) {
        lumbrel::StampStyle stamp;
        stamp.text = Text(text);
        stamp.color = fcolor & 0xFFFFFF;
        stamp.size = fsize > 0 ? fsize : kDefaultStampSize;
        long long position = -1LL - fposInverted;
        stamp.position = (position >= 0 && position <= 8) ? static_cast<int>(position) : 0;
        stamp.offsetX = foffx;
        stamp.offsetY = foffy;
        stamp.rotation = frotate;
        stamp.under = bground == 1;
        job.stamp = stamp;
    }
    return job;
}

} // namespace

extern "C" {

// PdfPostProcess
LUMBREL_EXPORT int ordinal_1(const char *pdf, const char *opass, const char *upass,
                             const char *appText, int tuse, const char *text, int fcolor, int fsize,
                             int fposInverted, int frotate, int foffx, int foffy, int bground,
                             const char *title, const char *author, const char *subject,
                             const char *keywords, const char *creator, const char *producer) {
    try {
        lumbrel::PostProcessJob job =
            MakeJob(pdf, opass, upass, appText, tuse, text, fcolor, fsize, fposInverted, frotate,
                    foffx, foffy, bground, title, author, subject, keywords, creator, producer);
        lumbrel::Status status = lumbrel::PostProcess(job);
        return Outcome(status.ok, status.message);
    } catch (...) {
        return OutOfMemory();
    }
}

// PdfPostProcessSecured with PDF/A, fast web view and embedded stamp fonts
LUMBREL_EXPORT int lumbrel_finish_pdf(const char *pdf, const char *opass, const char *upass,
                                      const char *appText, int tuse, const char *text, int fcolor,
                                      int fsize, int fposInverted, int frotate, int foffx,
                                      int foffy, int bground, const char *title, const char *author,
                                      const char *subject, const char *keywords,
                                      const char *creator, const char *producer, int encrypt,
                                      int keyLevel, int permissions, int pdfaPart, int fastWeb,
                                      int embedFonts) {
    try {
        lumbrel::PostProcessJob job =
            MakeJob(pdf, opass, upass, appText, tuse, text, fcolor, fsize, fposInverted, frotate,
                    foffx, foffy, bground, title, author, subject, keywords, creator, producer);
        if (encrypt == 1)
            job.security = Security(job, keyLevel, permissions);
        job.pdfaPart = pdfaPart >= 1 && pdfaPart <= 3 ? pdfaPart : 0;
        job.linearize = fastWeb == 1;
        if (job.stamp) {
            job.stamp->embedFont = embedFonts == 1 || job.pdfaPart != 0;
            job.stamp->requireEmbedded = job.pdfaPart != 0;
        }
        lumbrel::Status status = lumbrel::PostProcess(job);
        return Outcome(status.ok, status.message);
    } catch (...) {
        return OutOfMemory();
    }
}

// PdfPostProcess with the security settings
LUMBREL_EXPORT int ordinal_6(const char *pdf, const char *opass, const char *upass,
                             const char *appText, int tuse, const char *text, int fcolor, int fsize,
                             int fposInverted, int frotate, int foffx, int foffy, int bground,
                             const char *title, const char *author, const char *subject,
                             const char *keywords, const char *creator, const char *producer,
                             int encrypt, int keyLevel, int permissions) {
    return lumbrel_finish_pdf(pdf, opass, upass, appText, tuse, text, fcolor, fsize, fposInverted,
                              frotate, foffx, foffy, bground, title, author, subject, keywords,
                              creator, producer, encrypt, keyLevel, permissions, 0, 0, 0);
}

// PdfExtractText
LUMBREL_EXPORT int ordinal_3(const char *pdf, const char *txt, int mode, int pageBreak,
                             int /*one*/) {
    try {
        if (!pdf || !txt)
            return Outcome(false, "no file name");
        auto layout = mode == 3 ? lumbrel::TextLayout::Raw : lumbrel::TextLayout::Physical;
        std::string error;
        bool ok = lumbrel::ExtractText(pdf, txt, layout, pageBreak != 0, &error);
        return Outcome(ok, error);
    } catch (...) {
        return OutOfMemory();
    }
}

// Version text.
LUMBREL_EXPORT int ordinal_5(char *buffer, int size) {
    try {
        std::string text = std::string("lumbrel " VANTORIA_VERSION " (qpdf ") +
                           QPDF::QPDFVersion() + ", poppler " + poppler::version_string() + ")";
        return CopyText(text, buffer, size);
    } catch (...) {
        return CopyText("", buffer, size);
    }
}

// The calling thread's last failure of this module, for a user.
LUMBREL_EXPORT int lumbrel_last_error(char *buffer, int size) {
    return CopyText(t_lastError, buffer, size);
}

} // extern "C"
