// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/PostProcess.h"

#include "modules/lumbrel/LatinText.h"
#include "modules/lumbrel/PdfA.h"
#include "modules/lumbrel/ReplaceFile.h"

#include <cstring>
#include <memory>
#include <vector>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QPDFWriter.hh>

#include "common/FileErrors.h"

namespace lumbrel {
namespace {

// What went wrong reading or writing the file, for a user.
std::string Damaged(const QPDFExc &e) {
    if (e.getErrorCode() == qpdf_e_password)
        return "can't decrypt the PDF: wrong password";
    std::string detail = e.getMessageDetail();
    return "the PDF is damaged: " + (detail.empty() ? std::string(e.what()) : detail);
}

// Opens the file with the first password that works. Null with `status`
// filled in when none does or the file can't be read.
std::unique_ptr<QPDF> Open(const PostProcessJob &job, Status &status) {
    std::vector<std::string> passwords;
    for (const std::string &p : {job.ownerPassword, job.userPassword, std::string()}) {
        bool seen = false;
        for (const std::string &q : passwords)
            seen = seen || q == p;
        if (!seen)
            passwords.push_back(p);
    }
    for (const std::string &password : passwords) {
        auto pdf = std::make_unique<QPDF>();
        pdf->setSuppressWarnings(true);
        try {
            pdf->processFile(job.pdf.c_str(), password.c_str());
            return pdf;
        } catch (QPDFSystemError &e) {
            status.message = std::string("can't read the PDF: ") + std::strerror(e.getErrno());
            return nullptr;
        } catch (QPDFExc &e) {
            status.message = Damaged(e);
            if (e.getErrorCode() != qpdf_e_password)
                return nullptr;
        }
    }
    return nullptr;
}

std::string InfoText(QPDFObjectHandle info, const char *key) {
    QPDFObjectHandle value = info.getKey(key);
    return value.isString() ? value.getUTF8Value() : std::string();
}

std::string ProducerWith(const std::string &engine, const std::string &appText) {
    if (appText.empty())
        return engine;
    if (engine.empty() || engine == appText)
        return appText;
    const std::string tail = "; " + appText;
    if (engine.size() >= tail.size() &&
        engine.compare(engine.size() - tail.size(), tail.size(), tail) == 0)
        return engine;
    return engine + tail;
}

// Sets the non-empty values; returns the dictionary's values afterwards.
DocInfo UpdateInfo(QPDF &pdf, const PostProcessJob &job) {
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!info.isDictionary()) {
        info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        trailer.replaceKey("/Info", info);
    }
    const std::pair<const char *, const std::string *> fields[] = {
        {"/Title", &job.info.title},     {"/Author", &job.info.author},
        {"/Subject", &job.info.subject}, {"/Keywords", &job.info.keywords},
        {"/Creator", &job.info.creator}, {"/Producer", &job.info.producer},
    };
    for (const auto &[key, value] : fields) {
        if (!value->empty())
            info.replaceKey(key, QPDFObjectHandle::newUnicodeString(*value));
    }
    if (job.info.producer.empty()) {
        std::string engine = InfoText(info, "/Producer");
        std::string producer = ProducerWith(engine, job.appText);
        if (producer != engine)
            info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString(producer));
    }

    DocInfo now;
    now.title = InfoText(info, "/Title");
    now.author = InfoText(info, "/Author");
    now.subject = InfoText(info, "/Subject");
    now.keywords = InfoText(info, "/Keywords");
    now.creator = InfoText(info, "/Creator");
    now.producer = InfoText(info, "/Producer");
    return now;
}

void UpdateMetadata(QPDF &pdf, const DocInfo &info, int pdfaPart) {
    QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata");
    if (!metadata.isStream()) {
        if (pdfaPart == 0)
            return;
        metadata = QPDFObjectHandle::newStream(&pdf);
        metadata.replaceDict(QPDFObjectHandle::parse("<< /Type /Metadata /Subtype /XML >>"));
        pdf.getRoot().replaceKey("/Metadata", metadata);
    }
    std::string packet;
    try {
        std::shared_ptr<Buffer> data = metadata.getStreamData(qpdf_dl_all);
        packet.assign(reinterpret_cast<const char *>(data->getBuffer()), data->getSize());
    } catch (std::exception &) {
        // Undecodable: replaced by a new packet below.
    }
    metadata.replaceStreamData(UpdateXmp(packet, info, pdfaPart), QPDFObjectHandle::newNull(),
                               QPDFObjectHandle::newNull());
}

// The writer's settings for the job; false with `status` filled in when the
// security can't be written.
bool SetUpWriter(QPDF &pdf, QPDFWriter &writer, const PostProcessJob &job, Status &status) {
    if (job.pdfaPart != 0) {
        if (pdf.isEncrypted()) {
            status.message = "PDF/A files can't be encrypted";
            return false;
        }
        if (job.pdfaPart == 1) {
            writer.forcePDFVersion("1.4");
            writer.setObjectStreamMode(qpdf_o_disable);
        }
    }
    if (job.security && !ApplySecurity(writer, *job.security, status.message))
        return false;
    writer.setLinearization(job.linearize);
    return true;
}

} // namespace

Status PostProcess(const PostProcessJob &job) {
    Status status;
    try {
        if (job.pdf.empty()) {
            status.message = "no PDF path";
            return status;
        }
        std::unique_ptr<QPDF> pdf = Open(job, status);
        if (!pdf)
            return status;

        if (job.pdfaPart != 0 && job.security) {
            status.message = "PDF/A files can't be encrypted";
            return status;
        }
        if (job.pdfaPart != 0 && !EnsureSrgbOutputIntent(*pdf, status.message))
            return status;
        DocInfo info = UpdateInfo(*pdf, job);
        UpdateMetadata(*pdf, info, job.pdfaPart);

        if (job.stamp) {
            Stamper stamper(*pdf, *job.stamp);
            for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(*pdf).getAllPages())
                stamper.Apply(page);
        }

        ReplaceFile out;
        if (!out.Open(job.pdf)) {
            status.message = out.error();
            return status;
        }
        QPDFWriter writer(*pdf);
        writer.setOutputFile(out.tempPath().c_str(), out.file(), false);
        if (!SetUpWriter(*pdf, writer, job, status))
            return status;
        writer.write();
        if (!out.Commit()) {
            status.message = out.error();
            return status;
        }
        status.ok = true;
        status.message.clear();
    } catch (QPDFSystemError &e) {
        // The writer's own writes: the file being read is already open.
        status.ok = false;
        status.message = FailReason(e.getErrno(), "can't write the PDF");
    } catch (QPDFExc &e) {
        status.ok = false;
        status.message = Damaged(e);
    } catch (std::bad_alloc &) {
        status.ok = false;
        status.message = "out of memory";
    } catch (std::exception &e) {
        status.ok = false;
        status.message = e.what();
    } catch (...) {
        status.ok = false;
        status.message = "unknown failure";
    }
    return status;
}

} // namespace lumbrel
