// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/PdfA.h"

#include <fstream>
#include <iterator>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace lumbrel {
namespace {

// An ICC version 2 sRGB profile, as PDF/A-1 requires (later parts accept it).
constexpr const char kSrgbProfile[] = "/usr/share/color/icc/ghostscript/srgb.icc";
constexpr std::streamsize kMaxProfileBytes = 1 << 20;
constexpr const char kCondition[] = "sRGB IEC61966-2.1";

std::string ReadProfile() {
    std::ifstream in(kSrgbProfile, std::ios::binary);
    std::string bytes;
    if (!in)
        return bytes;
    bytes.resize(static_cast<size_t>(kMaxProfileBytes));
    in.read(bytes.data(), kMaxProfileBytes);
    bytes.resize(static_cast<size_t>(in.gcount()));
    // A profile starts with its size and has its signature "acsp" at 36.
    if (bytes.size() < 128 || bytes.compare(36, 4, "acsp") != 0)
        bytes.clear();
    return bytes;
}

bool HasPdfAIntent(QPDFObjectHandle intents) {
    if (!intents.isArray())
        return false;
    for (QPDFObjectHandle intent : intents.aitems())
        if (intent.isDictionary() && intent.getKey("/S").isNameAndEquals("/GTS_PDFA1") &&
            intent.getKey("/DestOutputProfile").isStream())
            return true;
    return false;
}

} // namespace

bool EnsureSrgbOutputIntent(QPDF &pdf, std::string &error) {
    QPDFObjectHandle root = pdf.getRoot();
    if (HasPdfAIntent(root.getKey("/OutputIntents")))
        return true;
    std::string profile = ReadProfile();
    if (profile.empty()) {
        error = std::string("can't read the sRGB profile ") + kSrgbProfile;
        return false;
    }
    QPDFObjectHandle icc = QPDFObjectHandle::newStream(&pdf, profile);
    icc.getDict().replaceKey("/N", QPDFObjectHandle::newInteger(3));
    QPDFObjectHandle intent = QPDFObjectHandle::newDictionary();
    intent.replaceKey("/Type", QPDFObjectHandle::newName("/OutputIntent"));
    intent.replaceKey("/S", QPDFObjectHandle::newName("/GTS_PDFA1"));
    intent.replaceKey("/OutputConditionIdentifier", QPDFObjectHandle::newString(kCondition));
    intent.replaceKey("/Info", QPDFObjectHandle::newString(kCondition));
    intent.replaceKey("/DestOutputProfile", icc);
    root.replaceKey("/OutputIntents", QPDFObjectHandle::newArray({pdf.makeIndirectObject(intent)}));
    return true;
}

} // namespace lumbrel
