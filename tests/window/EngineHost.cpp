// Runs an engine in a process of its own, so that the autostart value names a program path the
// test chooses: `pv_engine_host <data file>` writes the value for its own path and prints "done".
#include <cstdio>

#include "Engine.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    Engine engine(argv[1]);
    engine.settings.autoStart = 1;
    engine.ApplySettings(false, true, false);
    std::printf("done\n");
    return 0;
}
