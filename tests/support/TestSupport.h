#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What every test program shares: temporary folders and whole files, its own folder, and waiting
// for a condition while the calling thread's messages keep flowing.

using Bytes = std::vector<uint8_t>;

// A folder of its own under the Wine prefix's temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const wchar_t* name) const { return m_path + L"\\" + name; }
    std::vector<std::wstring> FileNames() const;

private:
    std::wstring m_path;
};

bool ReadWholeFile(const std::wstring& path, Bytes& bytes);
bool WriteWholeFile(const std::wstring& path, const Bytes& bytes);

// The folder of the running program, without a trailing backslash.
std::wstring ProgramFolder();
// Starts a program; its process handle, to be closed by the caller, or null.
// `limited`: with the limited token linked to this process's (Wine gives every process started as
// usual an elevated one, as Windows does to an administrator's elevated programs).
HANDLE StartProcess(std::wstring commandLine, DWORD flags = 0, bool limited = false);

// Waits up to `milliseconds` for input, then dispatches what the calling thread has queued. At
// most one timer message per call: a timer is due again as soon as a callback outlasts its period
// (a safe-mode sweep over many windows does), and the loop would never return.
void PumpMessages(DWORD milliseconds = 0);

// Pumps the calling thread's messages until `done` holds or the time is up.
template <typename Predicate>
bool WaitFor(Predicate done, DWORD timeoutMilliseconds = 5000)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMilliseconds;
    while (!done()) {
        if (GetTickCount64() > deadline)
            return false;
        PumpMessages(1);
    }
    return true;
}
