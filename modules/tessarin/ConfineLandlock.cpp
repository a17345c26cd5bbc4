// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/ConfineLandlock.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace tessarin {
namespace {

// File-system rights by the ABI that brought them. The system's headers may
// stop at ABI 2; the values are the kernel's and never change.
constexpr uint64_t kFsAbi1 = (1ULL << 13) - 1;           // execute ... make symlink
constexpr uint64_t kFsRefer = 1ULL << 13;                // ABI 2
constexpr uint64_t kFsTruncate = 1ULL << 14;             // ABI 3
constexpr uint64_t kFsIoctlDev = 1ULL << 15;             // ABI 5
constexpr uint64_t kNetBindTcp = 1ULL << 0;              // ABI 4
constexpr uint64_t kNetConnectTcp = 1ULL << 1;           // ABI 4
constexpr uint64_t kScopeAbstractUnixSocket = 1ULL << 0; // ABI 6
constexpr uint64_t kScopeSignal = 1ULL << 1;             // ABI 6

constexpr uint64_t kExecute = 1ULL << 0;
constexpr uint64_t kWriteFile = 1ULL << 1;
constexpr uint64_t kReadFile = 1ULL << 2;
constexpr uint64_t kReadDir = 1ULL << 3;
constexpr uint64_t kRemoveDir = 1ULL << 4;
constexpr uint64_t kRemoveFile = 1ULL << 5;
constexpr uint64_t kMakeDir = 1ULL << 7;
constexpr uint64_t kMakeReg = 1ULL << 8;
// The rights that apply to a file itself (a rule on a file may hold only these).
constexpr uint64_t kFileRights = kExecute | kWriteFile | kReadFile | kFsTruncate | kFsIoctlDev;

constexpr uint64_t kReadOnly = kReadFile | kReadDir;
constexpr uint64_t kScratch = kReadFile | kReadDir | kWriteFile | kFsTruncate | kMakeReg |
                              kMakeDir | kRemoveFile | kRemoveDir;
constexpr uint64_t kOutputFile = kReadFile | kWriteFile | kFsTruncate;
constexpr uint64_t kOutputFolder = kReadFile | kReadDir | kWriteFile | kFsTruncate | kMakeReg;

// What the interpreter reads of the system: its resources, fonts and
// fontconfig, ICC profiles (all under /usr or linked there), the paper
// size, the time zone and the font maps. Missing ones are skipped.
constexpr const char *kSystemTrees[] = {
    "/usr",
    "/etc/fonts",
    "/etc/papersize",
    "/etc/localtime",
    "/etc/ghostscript",
    "/etc/ld.so.cache",
    "/var/lib/ghostscript",
    "/var/cache/fontconfig",
};

// The kernel's struct landlock_ruleset_attr as of ABI 6; older kernels take
// it as long as the fields they don't know are zero.
struct RulesetAttr {
    uint64_t handledAccessFs = 0;
    uint64_t handledAccessNet = 0;
    uint64_t scoped = 0;
};

struct PathBeneathAttr {
    uint64_t allowedAccess;
    int32_t parentFd;
} __attribute__((packed));

constexpr int kRulePathBeneath = 1;

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

uint64_t HandledFs(int abi) {
    uint64_t fs = kFsAbi1;
    if (abi >= 2)
        fs |= kFsRefer;
    if (abi >= 3)
        fs |= kFsTruncate;
    if (abi >= 5)
        fs |= kFsIoctlDev;
    return fs;
}

// No TCP at all (no rule allows a port); signals and abstract sockets only
// within this domain. A server's children restrict themselves further, so
// their domains are nested in the server's and it can still signal them.
RulesetAttr Handled(int abi) {
    RulesetAttr attr;
    attr.handledAccessFs = HandledFs(abi);
    if (abi >= 4)
        attr.handledAccessNet = kNetBindTcp | kNetConnectTcp;
    if (abi >= 6)
        attr.scoped = kScopeAbstractUnixSocket | kScopeSignal;
    return attr;
}

// Allows `access` (limited to what the ruleset handles) beneath `path`.
// `follow` says whether a final symbolic link is followed; when not, a link
// is refused with -ELOOP. A missing path gives -ENOENT.
int AllowPath(int ruleset, const std::string &path, uint64_t access, uint64_t handled,
              bool follow) {
    Fd fd(open(path.c_str(), O_PATH | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW)));
    if (fd.get() < 0)
        return -errno;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0)
        return -errno;
    if (S_ISLNK(st.st_mode))
        return -ELOOP;
    if (!S_ISDIR(st.st_mode))
        access &= kFileRights;
    PathBeneathAttr rule{access & handled, fd.get()};
    if (rule.allowedAccess == 0)
        return 0;
    if (syscall(SYS_landlock_add_rule, ruleset, kRulePathBeneath, &rule, 0) != 0)
        return -errno;
    return 0;
}

int AddRules(int ruleset, const ConfinePlan &plan, uint64_t handled) {
    for (const char *tree : kSystemTrees) {
        int rc = AllowPath(ruleset, tree, kReadOnly, handled, true);
        if (rc != 0 && rc != -ENOENT)
            return rc;
    }
    // A missing input is the interpreter's to report. An anonymous memory
    // file (an input the program unpacked) lives on an internal file system
    // that no rule can name (-EBADFD) and that Landlock leaves readable.
    for (const std::string &file : plan.readTargets) {
        int rc = AllowPath(ruleset, file, kReadFile, handled, true);
        if (rc != 0 && rc != -ENOENT && rc != -EBADFD)
            return rc;
    }
    if (int rc = AllowPath(ruleset, plan.scratchDir, kScratch, handled, false))
        return rc;
    for (const std::string &target : plan.writeTargets) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0)
            return -errno;
        uint64_t access = S_ISDIR(st.st_mode) ? kOutputFolder : kOutputFile;
        if (int rc = AllowPath(ruleset, target, access, handled, false))
            return rc;
    }
    return 0;
}

} // namespace

int LandlockAbi() {
    long abi = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return abi > 0 ? static_cast<int>(abi) : 0;
}

int ApplyLandlock(const ConfinePlan &plan) {
    const int abi = LandlockAbi();
    if (abi == 0)
        return 0;
    const RulesetAttr attr = Handled(abi);
    Fd ruleset(static_cast<int>(syscall(SYS_landlock_create_ruleset, &attr, sizeof attr, 0)));
    if (ruleset.get() < 0)
        return -errno;
    if (int rc = AddRules(ruleset.get(), plan, attr.handledAccessFs))
        return rc;
    if (syscall(SYS_landlock_restrict_self, ruleset.get(), 0) != 0)
        return -errno;
    return 0;
}

} // namespace tessarin
