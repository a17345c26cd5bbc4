// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "cli/RunReport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The length of the valid UTF-8 sequence at `s[i]`, or 0 when there is none
// (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF,
// a cut-off sequence).
std::size_t Utf8Length(const std::string &s, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF; // bounds of the second byte
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            lo = 0xA0;
        if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
    } else
        return 0;
    if (i + n > s.size())
        return 0;
    if (byte(i + 1) < lo || byte(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return n;
}

bool IsUtf8(const std::string &s) {
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = Utf8Length(s, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string Base64(const std::string &bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
    }
    return out;
}

} // namespace

std::string JsonString(const std::string &bytes) {
    std::string out = "\"";
    char escape[8];
    for (std::size_t i = 0; i < bytes.size();) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        std::size_t n = Utf8Length(bytes, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD"; // U+FFFD; the exact bytes go beside (ReportLine)
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(bytes, i, n);
            i += n;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string ReportLine(const ReportEntry &e) {
    std::string line = "{\"input\":" + JsonString(e.input);
    if (!IsUtf8(e.input))
        line += ",\"input_bytes\":\"" + Base64(e.input) + "\"";
    line += ",\"outputs\":[";
    bool exact = true;
    for (std::size_t k = 0; k < e.outputs.size(); ++k) {
        line += (k ? "," : "") + JsonString(e.outputs[k]);
        exact = exact && IsUtf8(e.outputs[k]);
    }
    if (!exact) {
        line += "],\"outputs_bytes\":[";
        for (std::size_t k = 0; k < e.outputs.size(); ++k)
            line += std::string(k ? "," : "") + "\"" + Base64(e.outputs[k]) + "\"";
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", e.seconds < 0 ? 0.0 : e.seconds);
    line += "],\"status\":" + JsonString(e.status) + ",\"reason\":" + JsonString(e.reason) +
            ",\"seconds\":" + seconds + "}";
    return line;
}

RunReport::~RunReport() {
    Close();
}

bool RunReport::Open(const std::string &path, std::string &error) {
    Close();
    m_failed = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    m_file = ::fdopen(fd, "w");
    if (!m_file) {
        error = std::strerror(errno);
        ::close(fd);
        return false;
    }
    return true;
}

void RunReport::Add(const ReportEntry &entry) {
    if (!m_file)
        return;
    std::string line = ReportLine(entry) + "\n";
    if (std::fputs(line.c_str(), m_file) < 0 || std::fflush(m_file) != 0)
        m_failed = true;
}

bool RunReport::Close() {
    if (!m_file)
        return !m_failed;
    if (std::fclose(m_file) != 0)
        m_failed = true;
    m_file = nullptr;
    return !m_failed;
}
