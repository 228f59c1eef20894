// The watchdog's cost while it waits: its resident memory and processor time, read from Linux's
// /proc through Wine's Z: drive, beside Paneveil's own and beside a floor measured in the same run,
// a program of this bench that does nothing but wait.
//   watchdog_bench.exe <Paneveil.exe>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "LinuxProc.h"
#include "TestSupport.h"
#include "UniqueHandle.h"

namespace {

constexpr wchar_t kIdleSwitch[] = L"/idle";

// The Unix pids of the program `name` started with the argument `argument` (Wine's processes
// show their Windows command line in /proc/<pid>/cmdline, one argument after another).
std::vector<std::wstring> UnixPids(const std::string& name, const std::string& argument)
{
    std::vector<std::wstring> pids;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        if (!iswdigit(found.cFileName[0]))
            continue;
        const std::string commandLine = ReadLinuxFile(std::wstring(L"\\proc\\") + found.cFileName + L"\\cmdline");
        std::vector<std::string> arguments;
        for (size_t at = 0; at < commandLine.size(); at += arguments.back().size() + 1)
            arguments.emplace_back(commandLine.c_str() + at);
        const bool named = !arguments.empty() && arguments[0].size() >= name.size()
                           && _stricmp(arguments[0].c_str() + arguments[0].size() - name.size(), name.c_str()) == 0;
        if (named && arguments.size() > 1 && arguments[1] == argument)
            pids.push_back(found.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return pids;
}

// VmRSS of /proc/<pid>/status, in kB; -1 when it cannot be read.
long ResidentKilobytes(const std::wstring& pid)
{
    const std::string status = ReadLinuxFile(L"\\proc\\" + pid + L"\\status");
    const size_t at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::strtol(status.c_str() + at + 6, nullptr, 10);
}

// The process's resident memory beside the floor's, and its processor time while it waits.
void Row(const char* what, const std::wstring& pid, long floorKilobytes, double seconds)
{
    const long long before = ProcessorTicks(pid);
    Sleep(DWORD(seconds * 1000));
    const long long after = ProcessorTicks(pid);
    const long resident = ResidentKilobytes(pid);
    std::printf("| %s | %ld | %.2f | %lld |\n", what, resident, double(resident) / double(floorKilobytes), after - before);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2 && std::wcscmp(argv[1], kIdleSwitch) == 0) {
        Sleep(INFINITE);
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: watchdog_bench Paneveil.exe\n");
        return 2;
    }
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    UniqueKernelHandle idle(StartProcess(L"\"" + std::wstring(self) + L"\" " + kIdleSwitch));
    UniqueKernelHandle paneveil(StartProcess(L"\"" + std::wstring(argv[1]) + L"\" /b"));
    std::vector<std::wstring> watchdog, program, floor;
    const bool found = WaitFor([&] {
        watchdog = UnixPids("Paneveil.exe", "/watchdog");
        program = UnixPids("Paneveil.exe", "/b");
        floor = UnixPids("watchdog_bench.exe", "/idle");
        return watchdog.size() == 1 && program.size() == 1 && floor.size() == 1;
    }, 10000);
    int result = 0;
    if (found) {
        // Settled first: a process's memory grows for a moment after its start.
        Sleep(2000);
        const double seconds = 5;
        std::printf("Resident memory and processor time over %.0f s of waiting, from /proc\n", seconds);
        std::printf("| process | resident kB | / floor | processor ticks (1/100 s) |\n|---|---|---|---|\n");
        const long floorKilobytes = ResidentKilobytes(floor[0]);
        Row("floor: a program that only waits", floor[0], floorKilobytes, seconds);
        Row("the watchdog", watchdog[0], floorKilobytes, seconds);
        Row("Paneveil /b, beside it", program[0], floorKilobytes, seconds);
    } else {
        std::fprintf(stderr, "the processes were not found in /proc\n");
        result = 1;
    }
    TerminateProcess(idle.get(), 0);
    // Closed as its close box does, so that its watchdog ends with it.
    PostMessageW(FindWindowW(L"#32770", L"Paneveil"), WM_CLOSE, 0, 0);
    if (WaitForSingleObject(paneveil.get(), 10000) != WAIT_OBJECT_0) {
        TerminateProcess(paneveil.get(), 1);
        result = 1;
    }
    return result;
}
