// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/Xmp.h"

#include "modules/lumbrel/LatinText.h"

#include <cstring>

namespace lumbrel {
namespace {

// The mirrored properties, by qualified name as the engine and common
// writers spell them ("xap:" is the older prefix of the xmp namespace).
constexpr const char *kManaged[] = {"dc:title",       "dc:creator",   "dc:description",
                                    "pdf:Keywords",   "pdf:Producer", "xmp:CreatorTool",
                                    "xap:CreatorTool"};

bool IsNameEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>' || c == '=';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Removes every <name ...>...</name> and <name .../> element.
void RemoveElements(std::string &xml, const std::string &name) {
    const std::string open = "<" + name;
    const std::string close = "</" + name;
    size_t pos = 0;
    while ((pos = xml.find(open, pos)) != std::string::npos) {
        size_t after = pos + open.size();
        if (after >= xml.size() || !IsNameEnd(xml[after]) || xml[after] == '=') {
            pos = after;
            continue;
        }
        size_t tagEnd = xml.find('>', after);
        if (tagEnd == std::string::npos)
            return;
        size_t end;
        if (xml[tagEnd - 1] == '/') {
            end = tagEnd + 1;
        } else {
            size_t closing = xml.find(close, tagEnd);
            if (closing == std::string::npos)
                return;
            size_t closeEnd = xml.find('>', closing);
            if (closeEnd == std::string::npos)
                return;
            end = closeEnd + 1;
        }
        xml.erase(pos, end - pos);
    }
}

// Removes every attribute name="..." or name='...' that stands inside a tag.
void RemoveAttributes(std::string &xml, const std::string &name) {
    size_t pos = 0;
    while ((pos = xml.find(name, pos)) != std::string::npos) {
        size_t after = pos + name.size();
        // Inside a tag: the last '<' before it comes after the last '>'.
        size_t lt = xml.rfind('<', pos);
        size_t gt = xml.rfind('>', pos);
        bool inTag = lt != std::string::npos && (gt == std::string::npos || gt < lt);
        if (pos == 0 || !IsSpace(xml[pos - 1]) || !inTag) {
            pos = after;
            continue;
        }
        size_t eq = after;
        while (eq < xml.size() && IsSpace(xml[eq]))
            ++eq;
        if (eq >= xml.size() || xml[eq] != '=') {
            pos = after;
            continue;
        }
        size_t quote = eq + 1;
        while (quote < xml.size() && IsSpace(xml[quote]))
            ++quote;
        if (quote >= xml.size() || (xml[quote] != '"' && xml[quote] != '\''))
            return;
        size_t endQuote = xml.find(xml[quote], quote + 1);
        if (endQuote == std::string::npos)
            return;
        size_t start = pos;
        while (start > 0 && IsSpace(xml[start - 1]))
            --start;
        xml.erase(start, endQuote + 1 - start);
        pos = start;
    }
}

// The rdf:about value of the first rdf:Description, which every description
// of a packet must share.
std::string AboutValue(const std::string &xml) {
    size_t desc = xml.find("<rdf:Description");
    if (desc == std::string::npos)
        return {};
    size_t tagEnd = xml.find('>', desc);
    size_t about = xml.find("rdf:about", desc);
    if (about == std::string::npos || about > tagEnd)
        return {};
    size_t quote = xml.find_first_of("\"'", about);
    if (quote == std::string::npos || quote > tagEnd)
        return {};
    size_t endQuote = xml.find(xml[quote], quote + 1);
    if (endQuote == std::string::npos || endQuote > tagEnd)
        return {};
    return xml.substr(quote + 1, endQuote - quote - 1);
}

constexpr const char *kPdfAId[] = {"pdfaid:part", "pdfaid:conformance"};

std::string Description(const DocInfo &info, const std::string &about, int pdfaPart) {
    std::string d =
        "<rdf:Description rdf:about=\"" + XmlEscape(about) +
        "\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
        " xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\""
        " xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"" +
        std::string(pdfaPart > 0 ? " xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\"" : "") +
        ">\n";
    auto alt = [&](const char *name, const std::string &value) {
        if (!value.empty())
            d += std::string("<") + name + "><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
                 XmlEscape(value) + "</rdf:li></rdf:Alt></" + name + ">\n";
    };
    auto simple = [&](const char *name, const std::string &value) {
        if (!value.empty())
            d += std::string("<") + name + ">" + XmlEscape(value) + "</" + name + ">\n";
    };
    alt("dc:title", info.title);
    if (!info.author.empty())
        d += "<dc:creator><rdf:Seq><rdf:li>" + XmlEscape(info.author) +
             "</rdf:li></rdf:Seq></dc:creator>\n";
    alt("dc:description", info.subject);
    simple("pdf:Keywords", info.keywords);
    simple("pdf:Producer", info.producer);
    simple("xmp:CreatorTool", info.creator);
    if (pdfaPart > 0) {
        simple("pdfaid:part", std::to_string(pdfaPart));
        simple("pdfaid:conformance", "B");
    }
    d += "</rdf:Description>\n";
    return d;
}

} // namespace

std::string XmlEscape(const std::string &utf8) {
    std::string out;
    for (char32_t c : DecodeUtf8(utf8)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xFFFE || c == 0xFFFF)
                break;
            out += EncodeUtf8(std::u32string(1, c));
        }
    }
    return out;
}

std::string UpdateXmp(const std::string &packet, const DocInfo &info, int pdfaPart) {
    size_t rdfEnd = packet.rfind("</rdf:RDF>");
    if (rdfEnd == std::string::npos) {
        return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
               "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
               "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n" +
               Description(info, "", pdfaPart) + "</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
    }
    std::string xml = packet;
    for (const char *name : kManaged) {
        RemoveElements(xml, name);
        RemoveAttributes(xml, name);
    }
    for (const char *name : kPdfAId) {
        if (pdfaPart == 0)
            break;
        RemoveElements(xml, name);
        RemoveAttributes(xml, name);
    }
    std::string about = AboutValue(xml);
    rdfEnd = xml.rfind("</rdf:RDF>");
    xml.insert(rdfEnd, Description(info, about, pdfaPart));
    return xml;
}

} // namespace lumbrel
