// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// IniFile: the INI store behind Profile.ini.
//
// A Windows-style INI file: "[Section]" header lines, "key=value" lines,
// comment lines starting with ';' or '#', blank lines. UTF-8 text.
//
// Reading
//   - Section and key names match without regard to ASCII case. The first
//     matching section and, inside it, the first matching key count.
//   - A value is the text after the first '=', with surrounding blanks
//     removed; one pair of enclosing double quotes is removed as well.
//   - GetInt takes the value's leading decimal digits, with an optional
//     leading '-'; a value without leading digits (or empty) reads as 0, a
//     missing key as the default. Values beyond the int range saturate.
//   - GetString keeps at most `maxChars` characters (code points, never a
//     broken UTF-8 sequence); pass kNoLimit for paths, which are never cut.
//
// Writing
//   - Set* changes the key in place (its line keeps its position and the
//     key's spelling), appends a missing key after the last key of its
//     section, and appends a missing section at the end. Every other line,
//     comment and line ending is kept byte for byte.
//   - A value that would not read back as written (leading or trailing
//     blanks, enclosing quotes) is written quoted so it does.
//   - Names or values holding a line break, a key holding '=' or starting
//     with '[', ';' or '#', and a section holding ']' are refused: Set*
//     returns false and the file is left as it was.
//   - Save writes a temporary file in the same folder, flushes it to disk and
//     renames it over the target, so the target is always either the old or
//     the new file. A target that exists but is not writable, or a folder
//     that can't take the temporary file, makes Save return false and leaves
//     everything on disk untouched. A symbolic link is followed: the file it
//     names is replaced, the link stays.
//
// The free functions Ini* behave like the platform's private-profile calls:
// every read loads the file afresh and every write is load, change, save.
//
// An IniFile is a value type; it is not synchronised.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    static constexpr std::size_t kMaxString = 255;
    static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

    IniFile() = default;
    // Reads `path`; a missing file gives an empty store bound to the same path
    // (the first Save creates it). A file that exists but can't be read, or
    // that is not a regular file (a named pipe, a device, a folder: refused
    // without blocking on it), gives an empty store that refuses to Save, so
    // it is never overwritten.
    explicit IniFile(std::string path);

    // Replace the contents with `path`'s; false when the file can't be read
    // (the store is then empty).
    bool Load(const std::string &path);
    // Replace the contents with `text` (the path is left as it is).
    void Parse(std::string_view text);

    const std::string &Path() const { return m_path; }
    void SetPath(std::string path) { m_path = std::move(path); }

    // The value of the key, or nothing when the section or key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    bool HasKey(std::string_view section, std::string_view key) const;

    int GetInt(std::string_view section, std::string_view key, int def) const;
    std::string GetString(std::string_view section, std::string_view key, std::string_view def,
                          std::size_t maxChars = kMaxString) const;

    bool SetString(std::string_view section, std::string_view key, std::string_view value);
    bool SetInt(std::string_view section, std::string_view key, int value);

    // Write to Path(); false when nothing was written (see above).
    bool Save() const;

    // The file's text as Save would write it.
    std::string Text() const;

private:
    struct Line {
        std::string text; // without the line ending
        std::string eol;  // "\n", "\r\n" or "" for a last line without one
    };
    struct Locator {
        int section = -1; // index of the section header line
        int key = -1;     // index of the key line
        int lastKey = -1; // last key line of that section (or the header)
    };

    Locator Locate(std::string_view section, std::string_view key) const;
    std::string NewLineEnding() const;

    std::string m_path;
    std::vector<Line> m_lines;
    bool m_bom = false;
    bool m_unreadable = false; // the file exists but could not be read
};

// Parse an integer the way GetInt does (leading digits, optional '-').
int IniParseInt(std::string_view value);

// Cut `text` to at most `maxChars` UTF-8 characters.
std::string IniCutChars(std::string_view text, std::size_t maxChars);

// One-call helpers in the manner of the private-profile functions.
int IniReadInt(const std::string &path, std::string_view section, std::string_view key, int def);
std::string IniReadString(const std::string &path, std::string_view section, std::string_view key,
                          std::string_view def, std::size_t maxChars = IniFile::kMaxString);
bool IniWriteString(const std::string &path, std::string_view section, std::string_view key,
                    std::string_view value);
bool IniWriteInt(const std::string &path, std::string_view section, std::string_view key,
                 int value);
