#include "common/FileRules.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

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

int FileExists(const std::string &path) {
    if (!FitsPlatformLimits(path))
        return 0;
    // Non-blocking, so a named pipe can't hang the caller.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular ? 1 : 0;
}

void CreatePath(const std::string &path) {
    for (std::size_t pos = path.find('/'); pos != std::string::npos;
         pos = path.find('/', pos + 1)) {
        // The root, and the empty name between two slashes, are no folder.
        if (pos == 0 || path[pos - 1] == '/')
            continue;
        ::mkdir(path.substr(0, pos).c_str(), 0777);
    }
}

std::string WithTrailingSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

bool HasPsExtension(std::string_view path) {
    std::size_t slash = path.rfind('/');
    std::size_t name = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < name || path.size() - dot != 3)
        return false;
    return (path[dot + 1] == 'p' || path[dot + 1] == 'P') &&
           (path[dot + 2] == 's' || path[dot + 2] == 'S');
}
