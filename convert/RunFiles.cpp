#include "convert/RunFiles.h"

#include <cctype>
#include <cstdio>
#include <string_view>

FileMark MarkOf(const std::string &path) {
    FileMark m;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        m.present = true;
        m.inode = st.st_ino;
        m.mtime = st.st_mtim;
        m.size = st.st_size;
    }
    return m;
}

bool WrittenSince(const FileMark &before, const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (!before.present)
        return true;
    return st.st_ino != before.inode || st.st_size != before.size ||
           st.st_mtim.tv_sec != before.mtime.tv_sec || st.st_mtim.tv_nsec != before.mtime.tv_nsec;
}

mode_t CurrentUmask() {
    static const mode_t mask = [] {
        mode_t m = 022;
        if (FILE *f = std::fopen("/proc/self/status", "re")) {
            char line[256];
            while (std::fgets(line, sizeof line, f)) {
                unsigned value = 0;
                if (std::sscanf(line, "Umask: %o", &value) == 1) {
                    m = static_cast<mode_t>(value);
                    break;
                }
            }
            std::fclose(f);
        }
        return m;
    }();
    return mask;
}

bool Publish(const std::string &temp, const std::string &target) {
    ::chmod(temp.c_str(), 0666 & ~CurrentUmask());
    return ::rename(temp.c_str(), target.c_str()) == 0;
}

bool NaturalLess(const std::string &a, const std::string &b) {
    auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && digit(a[ie]))
                ++ie;
            while (je < b.size() && digit(b[je]))
                ++je;
            std::string_view da(a.data() + i, ie - i), db(b.data() + j, je - j);
            while (da.size() > 1 && da.front() == '0')
                da.remove_prefix(1);
            while (db.size() > 1 && db.front() == '0')
                db.remove_prefix(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (da != db)
                return da < db;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;
}
