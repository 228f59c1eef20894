#include "Watchdog.h"

#include <shellapi.h>

#include <cwchar>
#include <string>

#include "Engine.h"

namespace {

constexpr wchar_t kSwitch[] = L"/watchdog";
// How long the orderly shutdown waits for the watchdog to end; it ends at once when told.
constexpr DWORD kEndWaitMilliseconds = 2000;

// The switch's two arguments: the handles the watchdog inherits, of this process and of the event.
bool ParseHandles(const wchar_t* commandLine, HANDLE& process, HANDLE& orderly)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments)
        return false;
    bool found = false;
    for (int i = 1; i + 2 < count && !found; ++i) {
        if (_wcsicmp(arguments[i], kSwitch) == 0) {
            process = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(wcstoull(arguments[i + 1], nullptr, 10)));
            orderly = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(wcstoull(arguments[i + 2], nullptr, 10)));
            found = process && orderly;
        }
    }
    LocalFree(arguments);
    return found;
}

}  // namespace

bool Watchdog::IsRequested(const wchar_t* commandLine)
{
    HANDLE process = nullptr, orderly = nullptr;
    return ParseHandles(commandLine, process, orderly);
}

int Watchdog::Run(const wchar_t* commandLine, Engine& engine)
{
    HANDLE process = nullptr, orderly = nullptr;
    if (!ParseHandles(commandLine, process, orderly))
        return 1;
    UniqueKernelHandle watched(process), told(orderly);
    const HANDLE waits[] = {watched.get(), told.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
        return 0;
    // Told just before the process ended: both are set, and the wait names the process first.
    if (WaitForSingleObject(told.get(), 0) == WAIT_OBJECT_0)
        return 0;
    // The atom stays: the next start still offers safe mode.
    engine.SweepWindows(true);
    return 0;
}

bool Watchdog::Start()
{
    if (m_process)
        return true;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    UniqueKernelHandle orderly(CreateEventW(&inherited, TRUE, FALSE, nullptr));
    HANDLE self = nullptr;
    if (!orderly || !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE,
                                     TRUE, 0))
        return false;
    UniqueKernelHandle watched(self);
    wchar_t program[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH + 1);
    wchar_t system[MAX_PATH + 1] = {};
    if (length == 0 || length > MAX_PATH || !GetSystemDirectoryW(system, MAX_PATH + 1))
        return false;
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" " + kSwitch + L" "
                               + std::to_wstring(reinterpret_cast<UINT_PTR>(watched.get())) + L" "
                               + std::to_wstring(reinterpret_cast<UINT_PTR>(orderly.get()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // Inherits the two handles made inheritable above, which no other process is started with. Its
    // current folder is the system's: it holds no folder the user might want to remove.
    if (!CreateProcessW(program, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, system, &startup,
                        &started))
        return false;
    CloseHandle(started.hThread);
    m_process.reset(started.hProcess);
    SetHandleInformation(orderly.get(), HANDLE_FLAG_INHERIT, 0);
    m_orderly = std::move(orderly);
    return true;
}

Watchdog::~Watchdog()
{
    if (!m_process)
        return;
    SetEvent(m_orderly.get());
    WaitForSingleObject(m_process.get(), kEndWaitMilliseconds);
}
