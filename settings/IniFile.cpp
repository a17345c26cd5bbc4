// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/AsciiCase.h"
#include "common/AtomicFile.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

enum class Kind { Blank, Comment, Section, Key, Other };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;  // section or key name
    std::string_view value; // key value, trimmed, quotes still on
};

Parsed Classify(std::string_view line) {
    Parsed p;
    std::string_view t = Trim(line);
    if (t.empty()) {
        p.kind = Kind::Blank;
    } else if (t.front() == ';' || t.front() == '#') {
        p.kind = Kind::Comment;
    } else if (t.front() == '[') {
        p.kind = Kind::Section;
        std::string_view inner = t.substr(1);
        std::size_t close = inner.find(']');
        p.name = Trim(inner.substr(0, close));
    } else if (std::size_t eq = t.find('='); eq != std::string_view::npos) {
        p.kind = Kind::Key;
        p.name = Trim(t.substr(0, eq));
        p.value = Trim(t.substr(eq + 1));
    }
    return p;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        return v.substr(1, v.size() - 2);
    return v;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool ValidSection(std::string_view s) {
    return !Trim(s).empty() && !HasLineBreak(s) && s.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view k) {
    std::string_view t = Trim(k);
    if (t.empty() || HasLineBreak(k) || k.find('=') != std::string_view::npos)
        return false;
    return t.front() != '[' && t.front() != ';' && t.front() != '#';
}

std::string EncodeValue(std::string_view v) {
    bool quote = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) ||
                                (v.size() >= 2 && v.front() == '"' && v.back() == '"'));
    if (!quote)
        return std::string(v);
    std::string out;
    out.reserve(v.size() + 2);
    out += '"';
    out += v;
    out += '"';
    return out;
}

bool WriteAll(int fd, const std::string &data) {
    const char *p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int IniParseInt(std::string_view value) {
    std::string_view v = Unquote(Trim(value));
    bool negative = false;
    if (!v.empty() && v.front() == '-') {
        negative = true;
        v.remove_prefix(1);
    }
    long long n = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            break;
        if (n <= static_cast<long long>(INT_MAX) + 1)
            n = n * 10 + (c - '0');
    }
    if (negative)
        n = -n;
    if (n > INT_MAX)
        return INT_MAX;
    if (n < INT_MIN)
        return INT_MIN;
    return static_cast<int>(n);
}

std::string IniCutChars(std::string_view text, std::size_t maxChars) {
    if (maxChars == IniFile::kNoLimit || text.size() <= maxChars)
        return std::string(text);
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool start = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (start) {
            if (chars == maxChars)
                return std::string(text.substr(0, i));
            ++chars;
        }
    }
    return std::string(text);
}

IniFile::IniFile(std::string path) : m_path(std::move(path)) {
    Load(m_path);
}

bool IniFile::Load(const std::string &path) {
    m_path = path;
    m_lines.clear();
    m_bom = false;
    m_unreadable = false;
    // Non-blocking, and checked on the open descriptor: a named pipe or a
    // device in the file's place is refused without waiting on it. A link is
    // followed, as Save follows it.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        // Missing (or a dangling link): an empty store, as if new. Any other
        // refusal is a file that is there but can't be read.
        m_unreadable = errno != ENOENT && errno != ENOTDIR;
        return false;
    }
    // From here on a failure means a file that is there but can't be read:
    // saving over it would lose its contents.
    m_unreadable = true;
    struct stat st {};
    std::string text;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && st.st_size > 0)
        text.reserve(static_cast<std::size_t>(st.st_size));
    while (ok) {
        char buffer[65536];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0)
            break;
        else if (errno != EINTR)
            ok = false;
    }
    ::close(fd);
    if (!ok)
        return false;
    Parse(text);
    return true;
}

void IniFile::Parse(std::string_view text) {
    m_unreadable = false;
    m_lines.clear();
    m_bom = text.substr(0, kBom.size()) == kBom;
    if (m_bom)
        text.remove_prefix(kBom.size());
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        Line line;
        if (nl == std::string_view::npos) {
            line.text = std::string(text);
            text = {};
        } else {
            line.text = std::string(text.substr(0, nl));
            line.eol = "\n";
            text.remove_prefix(nl + 1);
        }
        if (!line.text.empty() && line.text.back() == '\r' && !line.eol.empty()) {
            line.text.pop_back();
            line.eol = "\r\n";
        }
        m_lines.push_back(std::move(line));
    }
}

IniFile::Locator IniFile::Locate(std::string_view section, std::string_view key) const {
    // Names are compared as the file holds them, without surrounding blanks,
    // so a name given with blanks finds the line SetString wrote for it.
    section = Trim(section);
    key = Trim(key);
    Locator loc;
    bool inside = false;
    for (int i = 0; i < static_cast<int>(m_lines.size()); ++i) {
        Parsed p = Classify(m_lines[i].text);
        if (p.kind == Kind::Section) {
            if (inside)
                break; // only the first section of that name counts
            if (EqualsIgnoringCase(p.name, section)) {
                inside = true;
                loc.section = loc.lastKey = i;
            }
        } else if (inside && p.kind == Kind::Key) {
            loc.lastKey = i;
            if (loc.key < 0 && EqualsIgnoringCase(p.name, key))
                loc.key = i;
        }
    }
    return loc;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    Locator loc = Locate(section, key);
    if (loc.key < 0)
        return std::nullopt;
    return std::string(Unquote(Classify(m_lines[loc.key].text).value));
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
    return Locate(section, key).key >= 0;
}

int IniFile::GetInt(std::string_view section, std::string_view key, int def) const {
    std::optional<std::string> v = Find(section, key);
    return v ? IniParseInt(*v) : def;
}

std::string IniFile::GetString(std::string_view section, std::string_view key, std::string_view def,
                               std::size_t maxChars) const {
    std::optional<std::string> v = Find(section, key);
    return IniCutChars(v ? std::string_view(*v) : def, maxChars);
}

std::string IniFile::NewLineEnding() const {
    for (const Line &l : m_lines)
        if (!l.eol.empty())
            return l.eol;
    return "\n";
}

bool IniFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    if (!ValidSection(section) || !ValidKey(key) || HasLineBreak(value))
        return false;
    Locator loc = Locate(section, key);
    std::string eol = NewLineEnding();
    if (loc.key >= 0) {
        // Keep the key as it is spelt in the file, and any indentation.
        std::string &text = m_lines[loc.key].text;
        std::size_t eq = text.find('=');
        std::string_view before = Trim(std::string_view(text).substr(0, eq));
        std::size_t indent = text.find_first_not_of(" \t\v\f");
        text = text.substr(0, indent) + std::string(before) + "=" + EncodeValue(value);
        return true;
    }
    Line entry{std::string(Trim(key)) + "=" + EncodeValue(value), eol};
    if (loc.section >= 0) {
        Line &prev = m_lines[loc.lastKey];
        if (prev.eol.empty())
            prev.eol = eol;
        m_lines.insert(m_lines.begin() + loc.lastKey + 1, std::move(entry));
        return true;
    }
    if (!m_lines.empty()) {
        if (m_lines.back().eol.empty())
            m_lines.back().eol = eol;
        if (!Trim(m_lines.back().text).empty())
            m_lines.push_back(Line{"", eol});
    }
    m_lines.push_back(Line{"[" + std::string(Trim(section)) + "]", eol});
    m_lines.push_back(std::move(entry));
    return true;
}

bool IniFile::SetInt(std::string_view section, std::string_view key, int value) {
    return SetString(section, key, std::to_string(value));
}

std::string IniFile::Text() const {
    std::string out;
    if (m_bom)
        out += kBom;
    for (const Line &l : m_lines) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

bool IniFile::Save() const {
    if (m_path.empty() || m_unreadable)
        return false;
    std::error_code ec;
    fs::path target(m_path);
    if (fs::is_symlink(target, ec)) {
        fs::path real = fs::weakly_canonical(target, ec);
        if (ec)
            return false;
        target = real;
    }
    mode_t mode = 0600; // a new file may hold passwords: owner only
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        // Read-only stays read-only, even for a user whom the system would let
        // write anyway.
        if (::access(target.c_str(), W_OK) != 0 ||
            (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return false;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }

    // The only copy of the user's settings: synced, file and folder, so a
    // crash right after leaves the old file or the new one.
    AtomicFile file;
    file.SetMode(mode);
    if (file.Open(target.string()) != 0 || !WriteAll(file.Fd(), Text()) || file.Sync() != 0 ||
        file.Commit(Placement::Replace) != 0)
        return false;
    file.SyncFolder(); // the new file is in place whether or not this gets through
    return true;
}

int IniReadInt(const std::string &path, std::string_view section, std::string_view key, int def) {
    return IniFile(path).GetInt(section, key, def);
}

std::string IniReadString(const std::string &path, std::string_view section, std::string_view key,
                          std::string_view def, std::size_t maxChars) {
    return IniFile(path).GetString(section, key, def, maxChars);
}

bool IniWriteString(const std::string &path, std::string_view section, std::string_view key,
                    std::string_view value) {
    IniFile ini(path);
    return ini.SetString(section, key, value) && ini.Save();
}

bool IniWriteInt(const std::string &path, std::string_view section, std::string_view key,
                 int value) {
    return IniWriteString(path, section, key, std::to_string(value));
}
