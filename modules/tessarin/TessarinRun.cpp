// tessarin-run: runs the PostScript interpreter once over its own argument
// vector and writes the result code (a native int) to descriptor 3, followed
// by the interpreter's first error line ("/undefined in foo", without the
// "Error: " in front and the newline; nothing when it reported none).
//
// Started by tessarin.so (HelperProcess.cpp) with stdin, stdout and stderr on
// /dev/null. The result is the code of gsapi_init_with_args (0, -101 for a
// file that ends with quit, or an error), or the code of gsapi_exit when the
// run itself succeeded but closing the interpreter (and with it the output
// device) failed. Started by hand, without descriptor 3, the result is only
// the exit status: 0 for success, 1 otherwise.
//
// Started with the one argument warm::kServerSwitch it is instead a warm
// interpreter server on descriptor 3 (WarmServer.h).
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <ghostscript/gserrors.h>
#include <ghostscript/iapi.h>

#include "modules/tessarin/InterpreterOutput.h"
#include "modules/tessarin/WarmProtocol.h"
#include "modules/tessarin/WarmServer.h"

namespace {

using tessarin::Keep;
using tessarin::Output;
using tessarin::ReadNothing;

constexpr int kResultFd = 3;

void ReportText(const std::string &text) {
    tessarin::WriteAll(kResultFd, text.data(), text.size());
}

bool Report(int code) {
    return tessarin::WriteAll(kResultFd, &code, sizeof code);
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], tessarin::warm::kServerSwitch) == 0)
        tessarin::ServeWarm(kResultFd);
    // Anything the interpreter might start must not hold the result pipe open.
    fcntl(kResultFd, F_SETFD, FD_CLOEXEC);

    void *instance = nullptr;
    int code = gsapi_new_instance(&instance, nullptr);
    if (code < 0) {
        Report(code);
        return 1;
    }
    Output output;
    code = gsapi_set_arg_encoding(instance, GS_ARG_ENCODING_UTF8);
    if (code == 0)
        code = gsapi_set_stdio_with_handle(instance, ReadNothing, Keep, Keep, &output);
    if (code == 0)
        code = gsapi_init_with_args(instance, argc, argv);
    int exitCode = gsapi_exit(instance);
    if ((code == 0 || code == gs_error_Quit) && exitCode < 0 && exitCode != gs_error_Quit)
        code = exitCode;
    bool reported = Report(code);
    if (reported && code != 0 && code != gs_error_Quit)
        ReportText(tessarin::FirstErrorLine(output.text));
    gsapi_delete_instance(instance);
    if (!reported)
        return (code == 0 || code == gs_error_Quit) ? 0 : 1;
    return 0;
}
