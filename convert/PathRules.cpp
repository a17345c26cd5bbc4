#include "convert/PathRules.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "settings/ConvertSettings.h"

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

} // namespace

SplitParts SplitPath(std::string_view path) {
    SplitParts parts;
    std::size_t nameStart = 0;
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) {
            nameStart = i;
            break;
        }
    }
    parts.folder = std::string(path.substr(0, nameStart));
    std::string_view name = path.substr(nameStart);
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        parts.base = std::string(name);
    } else {
        parts.base = std::string(name.substr(0, dot));
        parts.ext = std::string(name.substr(dot));
    }
    return parts;
}

int FileExists(const std::string &path) {
    if (path.empty() || !FitsPlatformLimits(path))
        return 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    struct stat st {};
    bool isFile = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return isFile ? 1 : 0;
}

bool PathTaken(const std::string &path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        return true;
    // Anything but a clear "not there" (no rights to look, say) counts as
    // taken, so an unseen file is never overwritten.
    return errno != ENOENT && errno != ENOTDIR;
}

void CreatePath(const std::string &path) {
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (IsSeparator(path[i]) && !IsSeparator(path[i - 1]))
            ::mkdir(path.substr(0, i).c_str(), 0777);
    }
}

std::string MakeUniqueName(const std::string &path) {
    return MakeUniqueName(path, PathTaken);
}

std::string MakeUniqueName(const std::string &path,
                           const std::function<bool(const std::string &)> &taken) {
    if (!taken(path))
        return path;
    SplitParts p = SplitPath(path);
    for (long k = 1;; ++k) {
        char number[32];
        std::snprintf(number, sizeof number, "-%02ld", k);
        std::string candidate = p.drive + p.folder + p.base + number + p.ext;
        if (!taken(candidate))
            return candidate;
    }
}

std::string EscapeFormatField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

bool FitsPlatformLimits(std::string_view path) {
    if (path.empty() || path.size() >= PATH_MAX)
        return false;
    if (path.find('\0') != std::string_view::npos)
        return false;
    std::size_t run = 0;
    for (char c : path) {
        if (c == '/') {
            run = 0;
        } else if (++run > NAME_MAX) {
            return false;
        }
    }
    return true;
}

std::string RowOutputFolder(const ConvertSettings &settings, std::string_view inputPath) {
    if (settings.m_nOutputMode == 0) {
        SplitParts p = SplitPath(inputPath);
        return p.drive + p.folder;
    }
    return settings.m_szOutputDir;
}

std::string WithTrailingSeparator(std::string folder) {
    if (!folder.empty() && !IsSeparator(folder.back()))
        folder += '/';
    return folder;
}
