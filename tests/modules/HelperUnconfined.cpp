// A test build of the interpreter helper without its confinement, so the
// hostile-file tests can show each attack works before showing that the
// real helper stops it. Never installed; the program has no such switch.
#include "modules/tessarin/HelperInterpreter.h"

int main(int argc, char **argv) {
    return tessarin::RunInterpreter(argc, argv);
}
