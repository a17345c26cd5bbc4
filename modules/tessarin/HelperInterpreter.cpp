// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/HelperInterpreter.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include <ghostscript/gserrors.h>
#include <ghostscript/iapi.h>

#include "modules/tessarin/InterpreterOutput.h"

namespace {

using tessarin::kResultFd;
static_assert(tessarin::kInterpreterQuit == gs_error_Quit);
static_assert(tessarin::kUndefinedFileName == gs_error_undefinedfilename);
static_assert(tessarin::kInvalidFileAccess == gs_error_invalidfileaccess);

using tessarin::FirstErrorLine;
using tessarin::Keep;
using tessarin::Output;
using tessarin::ReadNothing;

void ReportText(const std::string &text) {
    tessarin::WriteAll(kResultFd, text.data(), text.size());
}

} // namespace

bool tessarin::ReportResult(int code) {
    return tessarin::WriteAll(kResultFd, &code, sizeof code);
}

namespace tessarin {

int RunInterpreter(int argc, char **argv) {
    void *instance = nullptr;
    int code = gsapi_new_instance(&instance, nullptr);
    if (code < 0) {
        ReportResult(code);
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
    bool reported = ReportResult(code);
    if (reported && code != 0 && code != gs_error_Quit)
        ReportText(FirstErrorLine(output.text));
    gsapi_delete_instance(instance);
    if (!reported)
        return (code == 0 || code == gs_error_Quit) ? 0 : 1;
    return 0;
}

} // namespace tessarin
