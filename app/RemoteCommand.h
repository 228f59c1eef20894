#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "Engine.h"

// What a command-line switch asks of the running instance (WM_COPYDATA, kRemoteCommandData).
struct RemoteRequest {
    enum Action : uint32_t { kStatus, kDisable, kEnable, kToggle, kGlobal } action;
    uint32_t globalTransparency;   // of kGlobal
};

// The instance's answer once the request is in effect: 0 when it was not taken up, else these
// bits with the global transparency and the number of filters.
struct RemoteState {
    static constexpr DWORD_PTR kTaken = 1, kOn = 2, kSafeMode = 4, kSaved = 8;
    static constexpr int kGlobalShift = 4, kFiltersShift = 11;   // 7 bits for 0..99, 21 for the count
    static DWORD_PTR Compose(bool on, bool safeMode, bool saved, uint8_t global, size_t filters);
};

// Paneveil.exe /disable, /enable, /toggle, /global N, /status: for scripts and scheduled tasks.
// They drive the running instance and never start one; no window but the password prompt, and
// no message box: a task nobody watches must not wait on one. The outcome is the exit code, and
// a line on the console of the program that started this one, if it has one.
class RemoteCommand {
public:
    // The process's exit codes. kOff only of /status; kFileFailed: the data file could not be
    // read for the password, or the instance could not save /global's change.
    enum Result { kDone = 0, kOff = 1, kPasswordRefused = 2, kFileFailed = 3, kNotTakenUp = 5, kNotRunning = 6, kBadNumber = 7 };

    // Finds the switch, and the number after /global, in a whole command line.
    explicit RemoteCommand(const wchar_t* commandLine);
    bool IsRequested() const { return !m_switch.empty(); }
    int Run(Engine& engine);

private:
    int Finish(int result, const std::wstring& line) const;

    std::wstring m_switch;   // as typed
    RemoteRequest m_request{RemoteRequest::kStatus, 0};
    bool m_numberValid = false;
};
