#include "app/CFileUtil.h"

#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "convert/EngineModule.h"
#include "settings/SettingsStore.h"

namespace {

std::size_t CountChars(const std::string &s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

int SizeKB(const struct stat &st) {
    if (!S_ISREG(st.st_mode))
        return 0;
    // The length as the 32-bit count the size column has always shown.
    auto bytes = static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size));
    return static_cast<int>(static_cast<double>(bytes) * (1.0 / 1024) + 0.9);
}

} // namespace

std::string CFileUtil::GetProgramPath(const std::string &name) {
    return ProgramFolder() + name;
}

void CFileUtil::CreatePath(const std::string &path) {
    for (std::size_t pos = path.find('/'); pos != std::string::npos;
         pos = path.find('/', pos + 1)) {
        if (pos == 0)
            continue; // the root
        ::mkdir(path.substr(0, pos).c_str(), 0777);
    }
}

std::string CFileUtil::GetDocumentsFolder() {
    return DocumentsFolder();
}

int CFileUtil::FileExists(const char *path) {
    if (!path || !*path)
        return 0;
    std::error_code ec;
    std::string full = std::filesystem::absolute(path, ec).string();
    if (ec || CountChars(full) > kMaxPath)
        return 0;
    // Non-blocking, so a named pipe can't hang the caller.
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular ? 1 : 0;
}

int CFileUtil::GetFileSizeKB(const char *path) {
    if (!path || !*path)
        return 0;
    struct stat st {};
    if (::stat(path, &st) == 0)
        return SizeKB(st);
    glob_t found{};
    int size = 0;
    if (::glob(path, GLOB_NOESCAPE, nullptr, &found) == 0 && found.gl_pathc > 0 &&
        ::stat(found.gl_pathv[0], &st) == 0)
        size = SizeKB(st);
    ::globfree(&found);
    return size;
}
