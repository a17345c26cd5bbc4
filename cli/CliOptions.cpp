#include "cli/CliOptions.h"

#include <sys/stat.h>

#include <cctype>
#include <filesystem>

#include "convert/PathRules.h"
#include "settings/ConvertSettings.h"
#include "settings/SettingsKeys.h"

namespace {

struct FormatName {
    const char *name;
    int index; // position in the image-format list
};

constexpr FormatName kFormats[] = {
    {"jpg", 0}, {"tif", 1}, {"bmp", 2}, {"png", 3}, {"gif", 4},  {"pcx", 5},
    {"wmf", 6}, {"emf", 7}, {"tga", 8}, {"jp2", 9}, {"jpc", 10}, {"ras", 11},
};

std::string Lower(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ParseJobs(const std::string &text, int &jobs) {
    if (text.empty() || text.size() > 4)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    jobs = std::stoi(text);
    return jobs >= 1 && jobs <= 256;
}

std::string AbsoluteFolder(const std::string &dir) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(dir, ec);
    return WithTrailingSeparator(ec ? dir : abs.lexically_normal().string());
}

} // namespace

bool ParseCliArguments(const std::vector<std::string> &args, CliOptions &out, std::string &error) {
    out = CliOptions{};
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            out.files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool inlineValue = false;
        if (a.rfind("--", 0) == 0) {
            std::size_t eq = a.find('=');
            if (eq != std::string::npos) {
                value = a.substr(eq + 1);
                a = a.substr(0, eq);
                inlineValue = true;
            }
        }
        auto needValue = [&](std::string &v) {
            if (inlineValue) {
                v = value;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        auto noValue = [&] {
            if (inlineValue) {
                error = "option " + a + " takes no value";
                return false;
            }
            return true;
        };

        if (a == "--help" || a == "-h") {
            if (!noValue())
                return false;
            out.help = true;
        } else if (a == "--version") {
            if (!noValue())
                return false;
            out.version = true;
        } else if (a == "-q" || a == "--quiet") {
            if (!noValue())
                return false;
            out.quiet = true;
        } else if (a == "--profile") {
            if (!needValue(out.profile))
                return false;
            if (out.profile.empty()) {
                error = "--profile needs a file path";
                return false;
            }
        } else if (a == "--kind") {
            std::string v;
            if (!needValue(v))
                return false;
            v = Lower(v);
            const char *kind = v == "image" ? "0" : v == "pdf" ? "1" : v == "text" ? "2" : nullptr;
            if (!kind) {
                error = "--kind takes image, pdf or text, not '" + v + "'";
                return false;
            }
            out.edits.push_back({"Set", "otype", kind});
        } else if (a == "--format") {
            std::string v;
            if (!needValue(v))
                return false;
            std::string l = Lower(v);
            int index = -1;
            for (const FormatName &f : kFormats)
                if (l == f.name)
                    index = f.index;
            if (index < 0) {
                error = "--format takes jpg, tif, bmp, png, gif, pcx, wmf, emf, tga, jp2, jpc or "
                        "ras, not '" +
                        v + "'";
                return false;
            }
            out.edits.push_back({"Set", "type", std::to_string(index)});
        } else if (a == "--output") {
            std::string v;
            if (!needValue(v))
                return false;
            if (v.empty()) {
                error = "--output needs a folder";
                return false;
            }
            out.edits.push_back({"Set", "mode", "1"});
            out.edits.push_back({"Set", "output", AbsoluteFolder(v)});
        } else if (a == "--beside") {
            if (!noValue())
                return false;
            out.edits.push_back({"Set", "mode", "0"});
        } else if (a == "--new-if-exists") {
            if (!noValue())
                return false;
            out.edits.push_back({"Set", "exists", "1"});
        } else if (a == "--overwrite") {
            if (!noValue())
                return false;
            out.edits.push_back({"Set", "exists", "0"});
        } else if (a == "--set") {
            std::string v;
            if (!needValue(v))
                return false;
            std::size_t dot = v.find('.');
            std::size_t eq = v.find('=');
            if (dot == std::string::npos || eq == std::string::npos || dot > eq || dot == 0 ||
                eq == dot + 1) {
                error = "--set takes SECTION.KEY=VALUE, not '" + v + "'";
                return false;
            }
            std::string section = v.substr(0, dot);
            std::string key = v.substr(dot + 1, eq - dot - 1);
            const SettingsKey *k = FindSettingsKey(section, key);
            if (!k) {
                error = "--set: there is no setting " + section + "." + key;
                return false;
            }
            out.edits.push_back({k->section, k->key, v.substr(eq + 1)});
        } else if (a == "--jobs" || a == "-j") {
            std::string v;
            if (!needValue(v))
                return false;
            if (!ParseJobs(v, out.jobs)) {
                error = "--jobs takes a number from 1 to 256, not '" + v + "'";
                return false;
            }
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (!out.help && !out.version && out.files.empty()) {
        error = "no input files";
        return false;
    }
    return true;
}

void ApplyEdits(const std::vector<SettingEdit> &edits, ConvertSettings &s) {
    for (const SettingEdit &e : edits) {
        if (const SettingsKey *k = FindSettingsKey(e.section, e.key))
            ApplySettingText(*k, e.value, s);
    }
}

std::string InputRefusal(const std::string &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "no such file";
    if (S_ISDIR(st.st_mode))
        return "is a folder";
    if (!FileExists(path))
        return "cannot be opened for reading";
    if (Lower(SplitPath(path).ext) != ".ps")
        return "is not a .ps file";
    return {};
}

std::string UsageText() {
    return "Usage: vantoria-cli [options] FILE...\n"
           "Convert PostScript files into image files, PDF or plain text.\n"
           "\n"
           "  --profile PATH          settings file (default: the program's own Profile.ini)\n"
           "  --kind image|pdf|text   output kind\n"
           "  --format FORMAT         image format: jpg tif bmp png gif pcx wmf emf tga jp2 jpc "
           "ras\n"
           "  --output DIR            write into DIR\n"
           "  --beside                write next to each source file\n"
           "  --new-if-exists         never overwrite: take a numbered new name\n"
           "  --overwrite             replace existing output files\n"
           "  --set SECTION.KEY=VALUE any Profile.ini key, repeatable (e.g. --set Img.xdpi=300)\n"
           "  --jobs N                convert N files at once (default 1)\n"
           "  -q, --quiet             print nothing but errors\n"
           "  --help                  show this text\n"
           "  --version               show the version\n"
           "\n"
           "Options apply in the order given, in memory only; the settings file is never\n"
           "written. Ctrl+C stops after the current file; a second Ctrl+C stops at once.\n"
           "Exit status: 0 when every input succeeded, 1 when any failed or was stopped,\n"
           "2 for a usage error.\n";
}
