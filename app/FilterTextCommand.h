#pragma once
#include <windows.h>

#include <string>

#include "Engine.h"
#include "RunningInstance.h"

// Paneveil.exe /export FILE and /import FILE: the filter list as text (FilterText.h). A quiet
// command: no window but the password prompt, and message boxes only for failures.
class FilterTextCommand {
public:
    // The process's exit codes.
    // kNotTakenUp: a running instance did not take the filters up; nothing was imported.
    enum Result { kDone = 0, kNoFile = 1, kPasswordRefused = 2, kFileFailed = 3, kBadLine = 4, kNotTakenUp = 5 };

    // Finds the switch, and the file named after it, in a whole command line.
    explicit FilterTextCommand(const wchar_t* commandLine);
    bool IsRequested() const { return !m_switch.empty(); }
    int Run(Engine& engine);

private:
    int Export(Engine& engine);
    int Import(Engine& engine);
    static int Fail(UINT stringId, const std::wstring& file);
    static int DataFileUnreadable(const Engine& engine);
    // Hands a running instance the list, and waits for its answer.
    static int HandOverToRunningInstance(const Engine& engine, const std::string& list);

    std::wstring m_switch;   // as typed
    std::wstring m_file;
    bool m_import = false;
};
