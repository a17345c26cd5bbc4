// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// What a forked child of the warm server does with one file.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include <ghostscript/gserrors.h>
#include <ghostscript/iapi.h>

#include "common/PostScriptString.h"
#include "modules/tessarin/HelperConstants.h"
#include "modules/tessarin/HelperPlan.h"
#include "modules/tessarin/Tessarin.h"
#include "modules/tessarin/WarmProtocol.h"
#include "modules/tessarin/WarmServer.h"

namespace tessarin {
namespace {

// Replaces the open file `fd` by a private copy in `folder` with the same
// content, position and flags, so nothing this child writes reaches the
// server's file (the interpreter's scratch files and idle output).
bool MakePrivate(int fd, const std::string &folder) {
    struct stat st {};
    off_t position = lseek(fd, 0, SEEK_CUR);
    int status = fcntl(fd, F_GETFL);
    int fdFlags = fcntl(fd, F_GETFD);
    if (fstat(fd, &st) != 0 || position < 0 || status < 0 || fdFlags < 0)
        return false;
    int copy = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (copy < 0)
        return false;
    char buffer[65536];
    off_t at = 0;
    bool ok = true;
    while (ok && at < st.st_size) {
        ssize_t n = pread(fd, buffer, sizeof buffer, at);
        ok = n > 0 && WriteAll(copy, buffer, static_cast<size_t>(n));
        at += n > 0 ? n : 0;
    }
    ok = ok && lseek(copy, position, SEEK_SET) == position &&
         fcntl(copy, F_SETFL, status & O_APPEND) == 0 &&
         dup3(copy, fd, (fdFlags & FD_CLOEXEC) ? O_CLOEXEC : 0) == fd;
    close(copy);
    return ok;
}

// The name the interpreter's file permissions take for an output entry:
// "%%" is a literal '%', any other format field ("%d", "%03d") is any text.
std::string PermittedOutput(const std::string &value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out += value[i];
        } else if (i + 1 < value.size() && value[i + 1] == '%') {
            out += '%';
            ++i;
        } else {
            while (i + 1 < value.size() && std::strchr("0123456789.-+ #l", value[i + 1]))
                ++i;
            ++i; // the conversion letter
            out += '*';
        }
    }
    return out;
}

// The child's surroundings: dies with the server, its own scratch folder as
// HOME, TMPDIR and working folder, private copies of the interpreter's files.
bool Settle(WarmInterpreter &gs, const WarmFile &file) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != file.server)
        return false;
    if (setenv("TMPDIR", file.scratch.c_str(), 1) != 0 ||
        setenv("HOME", file.scratch.c_str(), 1) != 0 || chdir(file.scratch.c_str()) != 0)
        return false;
    for (int fd : gs.files) {
        if (!MakePrivate(fd, file.scratch))
            return false;
    }
    return true;
}

// The child's confinement, narrowed to its scratch folder, its output (made
// when it does not exist yet, never through a link) and its input.
int Confine(const WarmFile &file, const std::string &input) {
    if (!file.confine.child)
        return 0;
    std::string name = "tessarin";
    std::string output = "-sOutputFile=" + file.output;
    std::string in = input;
    char *argv[] = {name.data(), output.data(), in.data(), nullptr};
    HelperPlan plan = MakeHelperPlan(3, argv, file.scratch.c_str(), file.replyFd);
    return file.confine.child(plan.plan);
}

[[noreturn]] void Refuse(const WarmFile &file, int code, const std::string &why) {
    warm::Send(file.replyFd, warm::Kind::Code, warm::PackCode(code, why));
    _exit(1);
}

// What the child runs: it gives the interpreter its output, then one
// procedure that runs the input as the interpreter runs a file named on its
// command line and then closes the device the file wrote to. The procedure
// is read and bound before the file runs, so each of its steps is the
// system's own operator whatever the file defines or leaves behind; before
// closing it empties the operand and dictionary stacks and puts systemdict
// on top, so the procedures inside those operators find the system's names
// too, and allocates in local memory again.
//
// Closing the device writes out the rest of its output (a PDF is written
// only then). The interpreter's own shutdown would close it too, but first
// collects its garbage and then frees all its memory: in a child that
// copies nearly every page it shares with the server, several times the
// cost of a small file. Changing the output file closes the device, so the
// output is parked on `park` instead, when the device is still the one
// writing the file's output. A device writing a file per page has closed
// each page's file as it went and is left as it is.
//
// A device writing one file also gets an end-of-page procedure that does what
// the device's own did and then prints kPageMark for each page put out, so
// the child can tell how many pages it has finished.
std::string RunText(const WarmFile &file, const std::string &input, const std::string &park) {
    const std::string output = PostScriptString(file.output);
    const bool pages = warm::IsPagePattern(file.output);
    std::string text = "<< /OutputFile " + output;
    if (!pages)
        text += " /EndPage [ currentpagedevice /EndPage get /exec load /dup load { " +
                PostScriptString(kPageMark) + " //print //flush } /if load ] cvx";
    text += " >> setpagedevice { " + PostScriptString(input) + " .runfile";
    if (!pages)
        text += " clear cleardictstack //systemdict begin false setglobal"
                " currentpagedevice /OutputFile .knownget { " +
                output + " eq } { false } ifelse { << /OutputFile " + PostScriptString(park) +
                " >> setpagedevice } if";
    return text + " } bind executeonly exec";
}

// True when the current device writes to `name`, asked of the device itself.
bool WritesTo(void *instance, const std::string &name) {
    int size = gsapi_get_param(instance, "OutputFile", nullptr, gs_spt_string);
    if (size <= 0)
        return false;
    std::string value(static_cast<size_t>(size), '\0');
    if (gsapi_get_param(instance, "OutputFile", value.data(), gs_spt_string) != size)
        return false;
    value.resize(static_cast<size_t>(size) - 1);
    return value == name;
}

// Runs the input on the output; the file's result code. When the file ended
// otherwise than normally, or left the page device it was given (by
// selecting another device), the interpreter's full shutdown closes the
// output, as for an interpreter run on its own.
int RunOn(WarmInterpreter &gs, const WarmFile &file, const std::string &input) {
    const bool pages = warm::IsPagePattern(file.output);
    const std::string park = file.scratch + "/idle.out";
    gsapi_add_control_path(gs.instance, GS_PERMIT_FILE_READING, input.c_str());
    gsapi_add_control_path(gs.instance, GS_PERMIT_FILE_WRITING,
                           PermittedOutput(file.output).c_str());
    if (!pages)
        gsapi_add_control_path(gs.instance, GS_PERMIT_FILE_WRITING, park.c_str());
    int exitCode = 0;
    int code = gsapi_run_string(gs.instance, RunText(file, input, park).c_str(), 0, &exitCode);
    if (code == 0 && (pages || WritesTo(gs.instance, park)))
        return 0;
    int closed = gsapi_exit(gs.instance);
    if ((code == 0 || code == gs_error_Quit) && closed < 0 && closed != gs_error_Quit)
        code = closed;
    return code;
}

// Output::onPage of a child: the count goes to the module as it grows.
void SendPages(void *context, int pages) {
    warm::Send(static_cast<const WarmFile *>(context)->replyFd, warm::Kind::Page,
               warm::PackCode(pages));
}

} // namespace

void RunWarmFile(WarmInterpreter &gs, const WarmFile &file) {
    CopyAhead(gs.written);
    const std::string input = kOwnFdPrefix + std::to_string(file.inputFd);
    if (!Settle(gs, file))
        Refuse(file, TESSARIN_E_START, "can't prepare the interpreter child");
    if (int rc = Confine(file, input))
        Refuse(file, TESSARIN_E_CONFINE,
               std::string("can't confine the interpreter: ") + std::strerror(-rc));
    gs.output = Output{};
    gs.output.onPage = SendPages;
    gs.output.pageContext = const_cast<WarmFile *>(&file);
    int code = RunOn(gs, file, input);
    std::string line;
    if (code != 0 && code != gs_error_Quit)
        line = FirstErrorLine(gs.output.text);
    warm::Send(file.replyFd, warm::Kind::Code, warm::PackCode(code, line));
    _exit(0);
}

void RunSamplePage(WarmInterpreter &gs, const WarmFile &file, const std::string &input,
                   int pagesFd) {
    if (!Settle(gs, file) || RunOn(gs, file, input) != 0)
        _exit(1);
    const std::vector<PageRange> written = WrittenSinceFork();
    const bool sent = WriteAll(pagesFd, written.data(), written.size() * sizeof written[0]);
    _exit(sent ? 0 : 1);
}

} // namespace tessarin
