// A test build of the interpreter helper as it runs on a kernel without
// Landlock: the real helper, after HideLandlock().
#include "HideLandlock.h"
#include "modules/tessarin/HelperMain.h"

int main(int argc, char **argv) {
    if (!HideLandlock())
        return 1;
    return tessarin::HelperMain(argc, argv);
}
