#include "convert/RunEngine.h"

int RunEngineCode(const EngineModule &engine, int argc, char **argv) {
    if (!engine.create || !engine.run || !engine.exit || !engine.destroy)
        return -100;
    void *instance = nullptr;
    int code = engine.create(&instance, nullptr);
    if (code < 0)
        return code;
    code = engine.run(instance, argc, argv);
    engine.exit(instance);
    engine.destroy(instance);
    return code;
}

bool RunEngine(const EngineModule &engine, int argc, char **argv) {
    int code = RunEngineCode(engine, argc, argv);
    return code == 0 || code == kEngineQuit;
}

bool RunEngine(const EngineModule &engine, ArgumentVector args) {
    ArgvView view(args);
    return RunEngine(engine, view.argc(), view.argv());
}
