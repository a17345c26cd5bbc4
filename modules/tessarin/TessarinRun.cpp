// tessarin-run: the helper process in which the PostScript interpreter runs
// once, confined, over its own argument vector (see HelperMain.h).
//
// Started by tessarin.so (HelperProcess.cpp) with stdin, stdout and stderr on
// /dev/null, the result pipe on descriptor 3 and TMPDIR naming a private
// scratch folder.
#include "modules/tessarin/HelperMain.h"

int main(int argc, char **argv) {
    return tessarin::HelperMain(argc, argv);
}
