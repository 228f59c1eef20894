#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "UniqueHandle.h"

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        m_path = (base / ("pv-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt))).wstring();
        if (fs::create_directory(m_path, error))
            break;
    }
}

TempFolder::~TempFolder()
{
    std::error_code error;
    fs::remove_all(m_path, error);
}

std::vector<std::wstring> TempFolder::FileNames() const
{
    std::vector<std::wstring> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(m_path, error))
        names.push_back(entry.path().filename().wstring());
    return names;
}

bool ReadWholeFile(const std::wstring& path, Bytes& bytes)
{
    // Shared for deletion too: a program that replaces the file while a test reads it must not fail.
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    bytes.clear();
    uint8_t chunk[4096];
    DWORD got = 0;
    while (file && ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got)
        bytes.insert(bytes.end(), chunk, chunk + got);
    return bool(file);
}

bool WriteWholeFile(const std::wstring& path, const Bytes& bytes)
{
    std::ofstream file(fs::path(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file.flush());
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path().wstring();
}

HANDLE StartProcess(std::wstring commandLine, DWORD flags)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

void PumpMessages(DWORD milliseconds)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (msg.message == WM_TIMER)
            break;
    }
}
