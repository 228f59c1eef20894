// Runs an Engine in a process of its own, for what only another process can show:
//   pv_engine_host hook <data file>       starts hook mode, prints "started", then waits to be
//                                         killed (or for its input to end, then stops)
//   pv_engine_host autostart <data file>  writes the autostart value for its own path, prints "done"
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "Engine.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    Engine engine(argv[2]);
    if (wcscmp(argv[1], L"autostart") == 0) {
        engine.settings.autoStart = 1;
        engine.ApplySettings(false, true, false);
        std::printf("done\n");
        std::fflush(stdout);
        return 0;
    }
    if (wcscmp(argv[1], L"hook") == 0) {
        if (!engine.Start())
            return 1;
        std::printf("started\n");
        std::fflush(stdout);
        char c;
        DWORD read = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &read, nullptr) && read == 1) {
        }
        return 0;
    }
    return 2;
}
