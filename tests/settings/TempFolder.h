// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

class TempFolder {
public:
    TempFolder() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "vantoria-test-XXXXXX").string();
        if (char *made = mkdtemp(tmpl.data()))
            m_path = std::string(made) + "/";
    }
    ~TempFolder() {
        std::error_code ec;
        // Give back write permission first so a read-only file doesn't stay.
        for (auto &e : std::filesystem::recursive_directory_iterator(m_path, ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    // Folder path ending in '/'.
    const std::string &Path() const { return m_path; }
    std::string File(const std::string &name) const { return m_path + name; }

private:
    std::string m_path;
};

// Points $HOME at a fresh temporary folder while it lives, so the computed
// folder defaults are known and the user's own files are not used.
class TempHome {
public:
    TempHome() {
        const char *home = std::getenv("HOME");
        m_hadHome = home != nullptr;
        if (home)
            m_oldHome = home;
        setenv("HOME", m_folder.Path().c_str(), 1);
    }
    ~TempHome() {
        if (m_hadHome)
            setenv("HOME", m_oldHome.c_str(), 1);
        else
            unsetenv("HOME");
    }
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    // The home folder, ending in '/'.
    const std::string &Path() const { return m_folder.Path(); }
    std::string File(const std::string &name) const { return m_folder.File(name); }

private:
    TempFolder m_folder;
    std::string m_oldHome;
    bool m_hadHome = false;
};

inline void WriteText(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string ReadText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
