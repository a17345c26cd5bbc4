// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Bringing an XMP packet in line with a PDF's document information.
//
// The six properties that mirror the information dictionary (dc:title,
// dc:creator, dc:description, pdf:Keywords, pdf:Producer, xmp:CreatorTool) are
// removed wherever they stand, as elements or as attributes, and written
// again from `info` in one rdf:Description of their own; every other part of
// the packet is kept as it was. A packet without an rdf:RDF element is
// replaced by a new one. Pure function; thread-safe.
#pragma once

#include <string>

namespace lumbrel {

// Values in UTF-8; an empty value leaves its property out.
struct DocInfo {
    std::string title;    // /Title    dc:title
    std::string author;   // /Author   dc:creator
    std::string subject;  // /Subject  dc:description
    std::string keywords; // /Keywords pdf:Keywords
    std::string creator;  // /Creator  xmp:CreatorTool
    std::string producer; // /Producer pdf:Producer
};

// With `pdfaPart` 1-3 the packet also says it is PDF/A of that part,
// conformance B (pdfaid:part, pdfaid:conformance, written like the six);
// with 0 whatever the packet says of it is kept.
std::string UpdateXmp(const std::string &packet, const DocInfo &info, int pdfaPart = 0);

// Text escaped for XML character data and attribute values; characters that
// XML 1.0 does not allow are dropped.
std::string XmlEscape(const std::string &utf8);

} // namespace lumbrel
