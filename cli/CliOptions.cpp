// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "cli/CliOptions.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "common/AsciiCase.h"
#include "common/FileRules.h"
#include "common/PageRange.h"
#include "convert/ImageFormat.h"
#include "convert/OutputKind.h"
#include "settings/ConvertSettings.h"
#include "settings/SettingsKeys.h"

namespace {

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

// The handlers of the options, one each. `value` is the option's value (empty
// for an option that takes none). False, with `error` set, refuses the
// command line.

bool OnHelp(const std::string &, CliOptions &out, std::string &) {
    out.help = true;
    return true;
}

bool OnVersion(const std::string &, CliOptions &out, std::string &) {
    out.version = true;
    return true;
}

bool OnQuiet(const std::string &, CliOptions &out, std::string &) {
    out.quiet = true;
    return true;
}

bool OnSkipExisting(const std::string &, CliOptions &out, std::string &) {
    out.skipExisting = true;
    return true;
}

bool OnProfile(const std::string &value, CliOptions &out, std::string &error) {
    out.profile = value;
    if (out.profile.empty()) {
        error = "--profile needs a file path";
        return false;
    }
    return true;
}

bool OnKind(const std::string &value, CliOptions &out, std::string &error) {
    std::string v = AsciiLowered(value);
    OutputKind kind{};
    if (!OutputKindOfName(v, kind)) {
        error = "--kind takes image, pdf or text, not '" + v + "'";
        return false;
    }
    out.edits.push_back({"Set", "otype", std::to_string(OtypeOf(kind))});
    return true;
}

bool OnFormat(const std::string &value, CliOptions &out, std::string &error) {
    int index = ImageFormatIndexOfName(AsciiLowered(value));
    if (index < 0) {
        std::string names;
        for (std::size_t i = 0; i < kImageFormats.size(); ++i) {
            if (i > 0)
                names += i + 1 < kImageFormats.size() ? ", " : " or ";
            names += kImageFormats[i].cliName;
        }
        error = "--format takes " + names + ", not '" + value + "'";
        return false;
    }
    out.edits.push_back({"Set", "type", std::to_string(index)});
    return true;
}

bool OnOutput(const std::string &value, CliOptions &out, std::string &error) {
    if (value.empty()) {
        error = "--output needs a folder";
        return false;
    }
    out.edits.push_back({"Set", "mode", "1"});
    out.edits.push_back({"Set", "output", AbsoluteFolder(value)});
    return true;
}

bool OnBeside(const std::string &, CliOptions &out, std::string &) {
    out.edits.push_back({"Set", "mode", "0"});
    return true;
}

bool OnNewIfExists(const std::string &, CliOptions &out, std::string &) {
    out.edits.push_back({"Set", "exists", "1"});
    return true;
}

bool OnOverwrite(const std::string &, CliOptions &out, std::string &) {
    out.edits.push_back({"Set", "exists", "0"});
    return true;
}

bool OnSet(const std::string &value, CliOptions &out, std::string &error) {
    std::size_t dot = value.find('.');
    std::size_t eq = value.find('=');
    if (dot == std::string::npos || eq == std::string::npos || dot > eq || dot == 0 ||
        eq == dot + 1) {
        error = "--set takes SECTION.KEY=VALUE, not '" + value + "'";
        return false;
    }
    std::string section = value.substr(0, dot);
    std::string key = value.substr(dot + 1, eq - dot - 1);
    const SettingsKey *k = FindSettingsKey(section, key);
    if (!k) {
        error = "--set: there is no setting " + section + "." + key;
        return false;
    }
    out.edits.push_back({k->section, k->key, value.substr(eq + 1)});
    return true;
}

// A count option's value (1 to 256) into `count`.
bool OnCount(const char *option, const std::string &value, int &count, std::string &error) {
    if (!ParseJobs(value, count)) {
        error = std::string(option) + " takes a number from 1 to 256, not '" + value + "'";
        return false;
    }
    return true;
}

bool OnJobs(const std::string &value, CliOptions &out, std::string &error) {
    return OnCount("--jobs", value, out.jobs, error);
}

bool OnThreads(const std::string &value, CliOptions &out, std::string &error) {
    return OnCount("--threads", value, out.threads, error);
}

// A limit's value: a whole number from 0 up, at most `most`.
bool ParseLimit(const std::string &text, long most) {
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return std::stol(text) <= most;
}

bool OnTimeLimit(const std::string &value, CliOptions &out, std::string &error) {
    if (!ParseLimit(value, kMaxTimeLimitSeconds)) {
        error = "--time-limit takes a number of seconds (0: none), not '" + value + "'";
        return false;
    }
    out.edits.push_back({"Set", "timelimit", value});
    return true;
}

bool OnMemoryLimit(const std::string &value, CliOptions &out, std::string &error) {
    if (!ParseLimit(value, kMaxMemoryLimitMiB)) {
        error = "--memory-limit takes a number of MiB (0: the default), not '" + value + "'";
        return false;
    }
    out.edits.push_back({"Set", "memlimit", value});
    return true;
}

bool OnPages(const std::string &value, CliOptions &out, std::string &error) {
    PageRange range;
    PageRange::Problem problem = PageRange::Problem::None;
    if (!PageRange::Parse(value, &range, &problem)) {
        error = std::string("--pages: ") + PageRangeHint(problem) + ", not '" + value + "'";
        return false;
    }
    out.edits.push_back({"Set", "pages", range.Text()});
    return true;
}

bool OnFilesFrom(const std::string &value, CliOptions &out, std::string &error) {
    if (value.empty()) {
        error = "--files-from needs a file ('-' for standard input)";
        return false;
    }
    out.fileLists.push_back(value);
    return true;
}

bool OnNul(const std::string &, CliOptions &out, std::string &) {
    out.nulSeparated = true;
    return true;
}

bool OnReport(const std::string &value, CliOptions &out, std::string &error) {
    out.report = value;
    if (out.report.empty()) {
        error = "--report needs a file path";
        return false;
    }
    return true;
}

bool OnFolderValue(const char *option, const std::string &value, std::string &folder,
                   std::string &error) {
    if (value.empty()) {
        error = std::string(option) + " needs a folder";
        return false;
    }
    folder = AbsoluteFolder(value);
    return true;
}

bool OnWatch(const std::string &value, CliOptions &out, std::string &error) {
    return OnFolderValue("--watch", value, out.watchFolder, error);
}

bool OnDone(const std::string &value, CliOptions &out, std::string &error) {
    return OnFolderValue("--done", value, out.doneFolder, error);
}

bool OnFailed(const std::string &value, CliOptions &out, std::string &error) {
    return OnFolderValue("--failed", value, out.failedFolder, error);
}

using OptionHandler = bool (*)(const std::string &value, CliOptions &out, std::string &error);

struct CliOption {
    const char *name;      // the long name, "--kind"
    const char *shortName; // "-q", or nullptr
    bool takesValue;       // the next argument, or the text after '=' of "--name=value"
    const char *usage;     // --help's left column: the option and its value
    const char *help;      // --help's right column
    OptionHandler handle;
};

// Every option, in the order of the --help text.
constexpr CliOption kOptions[] = {
    {"--profile", nullptr, true, "--profile PATH",
     "settings file (default: the program's own Profile.ini)", OnProfile},
    {"--kind", nullptr, true, "--kind image|pdf|text", "output kind", OnKind},
    {"--format", nullptr, true, "--format FORMAT",
     "image format: jpg tif bmp png gif pcx wmf emf tga jp2 jpc ras", OnFormat},
    {"--output", nullptr, true, "--output DIR", "write into DIR", OnOutput},
    {"--beside", nullptr, false, "--beside", "write next to each source file", OnBeside},
    {"--new-if-exists", nullptr, false, "--new-if-exists",
     "never overwrite: take a numbered new name", OnNewIfExists},
    {"--overwrite", nullptr, false, "--overwrite", "replace existing output files", OnOverwrite},
    {"--pages", nullptr, true, "--pages RANGE",
     "convert only these pages, as in 1-3,7,10- (default: every page)", OnPages},
    {"--set", nullptr, true, "--set SECTION.KEY=VALUE",
     "any Profile.ini key, repeatable (e.g. --set Img.xdpi=300)", OnSet},
    {"--files-from", nullptr, true, "--files-from LIST",
     "read more input names from LIST ('-': standard input)", OnFilesFrom},
    {"--null", "-0", false, "-0, --null", "the names in LIST end in a NUL byte, not a line end",
     OnNul},
    {"--report", nullptr, true, "--report FILE", "write one JSON object a line per input to FILE",
     OnReport},
    {"--watch", nullptr, true, "--watch IN",
     "convert each .ps or .eps file put into folder IN, until stopped", OnWatch},
    {"--done", nullptr, true, "--done DIR", "--watch: move converted files to DIR (IN/done/)",
     OnDone},
    {"--failed", nullptr, true, "--failed DIR",
     "--watch: move failed files and their reasons to DIR (IN/failed/)", OnFailed},
    {"--skip-existing", nullptr, false, "--skip-existing",
     "skip an input whose outputs all exist and are newer than it", OnSkipExisting},
    {"--jobs", "-j", true, "--jobs N", "convert N files at once (default 1)", OnJobs},
    {"--threads", nullptr, true, "--threads N",
     "render and encode image pages on N threads (default: one per processor)", OnThreads},
    {"--time-limit", nullptr, true, "--time-limit N",
     "fail a file that takes longer than N seconds (default 0: none; --watch: 300)", OnTimeLimit},
    {"--memory-limit", nullptr, true, "--memory-limit N",
     "the interpreter's memory limit in MiB (default 0: 4096, or half the memory if less)",
     OnMemoryLimit},
    {"--quiet", "-q", false, "-q, --quiet",
     "print nothing but errors: the Failed and Aborted lines, on standard error", OnQuiet},
    {"--help", "-h", false, "--help", "show this text", OnHelp},
    {"--version", nullptr, false, "--version", "show the version and the licence", OnVersion},
};

const CliOption *FindOption(const std::string &name) {
    for (const CliOption &o : kOptions)
        if (name == o.name || (o.shortName && name == o.shortName))
            return &o;
    return nullptr;
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
        // Only a long option carries its value after '=': "--jobs=3".
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
        const CliOption *option = FindOption(a);
        if (!option) {
            error = "unknown option " + a;
            return false;
        }
        if (!option->takesValue && inlineValue) {
            error = "option " + a + " takes no value";
            return false;
        }
        if (option->takesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (!option->handle(value, out, error))
            return false;
    }
    if (out.help || out.version)
        return true;
    if (out.watchFolder.empty() && (!out.doneFolder.empty() || !out.failedFolder.empty())) {
        error = "--done and --failed go with --watch";
        return false;
    }
    if (!out.watchFolder.empty()) {
        if (!out.files.empty() || !out.fileLists.empty() || !out.report.empty()) {
            error = "--watch takes its files from the folder: no FILE, --files-from or --report";
            return false;
        }
        return true;
    }
    if (out.files.empty() && out.fileLists.empty()) {
        error = "no input files";
        return false;
    }
    if (out.nulSeparated && out.fileLists.empty()) {
        error = "-0 applies to the --files-from lists, and there is none";
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

std::string UsageText() {
    std::string text = "Usage: vantoria-cli [options] [FILE...]\n"
                       "       vantoria-cli --watch IN [--done DIR] [--failed DIR] [options]\n"
                       "Convert PostScript files into image files, PDF or plain text. A FILE\n"
                       "that is a folder stands for the PostScript files in it and in its\n"
                       "subfolders; with --output their outputs keep that tree (unless\n"
                       "--set Set.keeptree=0).\n"
                       "\n";
    for (const CliOption &o : kOptions) {
        std::string usage = o.usage;
        usage.resize(std::max<std::size_t>(usage.size(), 23), ' ');
        text += "  " + usage + " " + o.help + "\n";
    }
    text += "\n"
            "Options apply in the order given, in memory only; the settings file is never\n"
            "written. Ctrl+C stops after the current file; a second Ctrl+C, or a TERM,\n"
            "HUP or PIPE signal, stops at once.\n"
            "Exit status: 0 when every input succeeded, 1 when any failed or was stopped,\n"
            "2 for a usage error.\n";
    return text;
}
