#include "modules/tessarin/HelperInterpreter.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include <ghostscript/gserrors.h>
#include <ghostscript/iapi.h>

namespace {

using tessarin::kResultFd;

int GSDLLCALL ReadNothing(void *, char *, int) {
    return 0;
}
// What the interpreter prints, kept only up to the end of its first error
// line (and never more than a few lines' worth).
struct Output {
    std::string text;
    bool full = false;
};
constexpr size_t kOutputKept = 4096;
constexpr size_t kErrorLineKept = 200;

int GSDLLCALL Keep(void *handle, const char *data, int len) {
    auto *out = static_cast<Output *>(handle);
    if (!out->full && len > 0) {
        out->text.append(data, static_cast<size_t>(len) < kOutputKept ? static_cast<size_t>(len)
                                                                      : kOutputKept);
        size_t error = out->text.find("Error: ");
        if ((error != std::string::npos && out->text.find('\n', error) != std::string::npos) ||
            out->text.size() >= kOutputKept)
            out->full = true;
    }
    return len;
}

std::string FirstErrorLine(const std::string &text) {
    size_t error = text.find("Error: ");
    if (error == std::string::npos)
        return {};
    error += std::strlen("Error: ");
    size_t end = text.find('\n', error);
    std::string line = text.substr(error, end == std::string::npos ? end : end - error);
    if (line.size() > kErrorLineKept)
        line.resize(kErrorLineKept);
    return line;
}

void ReportText(const std::string &text) {
    const char *p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = write(kResultFd, p, left);
        if (n <= 0)
            return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

} // namespace

bool tessarin::ReportResult(int code) {
    const char *p = reinterpret_cast<const char *>(&code);
    size_t left = sizeof code;
    while (left > 0) {
        ssize_t n = write(kResultFd, p, left);
        if (n < 0)
            return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
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
