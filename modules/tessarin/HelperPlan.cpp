// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/HelperPlan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "modules/tessarin/HelperConstants.h"
#include "modules/tessarin/WarmProtocol.h"

namespace tessarin {
namespace {

bool StartsWith(const std::string &text, const char *prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string WorkingFolder() {
    std::string buffer(4096, '\0');
    if (!getcwd(buffer.data(), buffer.size()))
        return {};
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

std::string Absolute(const std::string &name, const std::string &cwd) {
    if (name.empty() || name.front() == '/' || cwd.empty())
        return name;
    return cwd + "/" + name;
}

// An output name the interpreter opens itself through one of its devices
// ("%stdout", "%pipe%...", "|cmd", "-"): no file to allow.
bool IsDeviceName(const std::string &name) {
    return name.empty() || name == "-" || name.front() == '%' || name.front() == '|';
}

// The file or folder the output named by `name` (absolute) is written to,
// made when it is a file that does not exist yet; empty when there is none.
std::string WriteTarget(const std::string &name) {
    if (warm::IsPagePattern(name)) {
        std::string folder = name.substr(0, name.rfind('/'));
        struct stat st {};
        return (!folder.empty() && lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                   ? folder
                   : std::string();
    }
    struct stat st {};
    if (lstat(name.c_str(), &st) == 0)
        return name;
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return {};
    close(fd);
    return name;
}

class Reader {
public:
    Reader(HelperPlan &out, std::string cwd) : m_out(out), m_cwd(std::move(cwd)) {}

    void Take(const std::string &arg, bool valueOfO) {
        if (valueOfO)
            return Output("", arg);
        if (m_inCode && !StartsWith(arg, "-"))
            return Keep(arg);
        m_inCode = false;
        if (arg == "-c") {
            m_inCode = true;
            Keep(arg);
        } else if (StartsWith(arg, "-sOutputFile=")) {
            Output("-sOutputFile=", arg.substr(std::strlen("-sOutputFile=")));
        } else if (StartsWith(arg, "-o") && arg.size() > 2) {
            Output("-o", arg.substr(2));
        } else if (StartsWith(arg, "-f") && arg.size() > 2) {
            Input("-f", arg.substr(2));
        } else if (StartsWith(arg, "-") || StartsWith(arg, "@")) {
            Keep(arg);
        } else {
            Input("", arg);
        }
    }

private:
    void Keep(const std::string &arg) { m_out.args.push_back(arg); }
    void Output(const std::string &option, const std::string &name) {
        if (IsDeviceName(name))
            return Keep(option + name);
        std::string path = Absolute(name, m_cwd);
        m_out.args.push_back(option + path);
        std::string target = WriteTarget(path);
        if (!target.empty())
            m_out.plan.writeTargets.push_back(target);
    }
    void Input(const std::string &option, const std::string &name) {
        std::string path = Absolute(name, m_cwd);
        m_out.args.push_back(option + path);
        m_out.plan.readTargets.push_back(path);
        // An input handed over open stays open.
        constexpr std::string_view kOwnFd = kOwnFdPrefix;
        if (path.starts_with(kOwnFd) && path.size() > kOwnFd.size() &&
            path.find_first_not_of("0123456789", kOwnFd.size()) == std::string::npos &&
            path.size() - kOwnFd.size() < 8)
            m_out.plan.keepFds.push_back(std::stoi(path.substr(kOwnFd.size())));
    }

    HelperPlan &m_out;
    std::string m_cwd;
    bool m_inCode = false;
};

} // namespace

HelperPlan MakeHelperPlan(int argc, char **argv, const char *scratch, int keepFd) {
    HelperPlan out;
    out.plan.scratchDir = scratch ? scratch : "";
    out.plan.keepFds = {keepFd};
    if (argc < 1)
        return out;
    out.args.emplace_back(argv[0]);
    Reader reader(out, WorkingFolder());
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc) {
            out.args.push_back(arg);
            reader.Take(argv[++i], true);
        } else {
            reader.Take(arg, false);
        }
    }
    return out;
}

} // namespace tessarin
