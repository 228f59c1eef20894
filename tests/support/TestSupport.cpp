#include "TestSupport.h"
#include "UniqueHandle.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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
    std::ifstream file(fs::path(path), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.is_open();
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

HANDLE StartProcess(std::wstring commandLine, DWORD flags, bool limited)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    HANDLE token = nullptr;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    if (limited && !(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)
                     && GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size)))
        return nullptr;
    UniqueKernelHandle owned(token), linkedToken(linked.LinkedToken);
    // Wine now and then refuses a start on a loaded machine (its fork failing): tried again, and
    // said why when it still cannot.
    for (int attempt = 1; !(limited ? CreateProcessAsUserW(linked.LinkedToken, nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                                                          flags, nullptr, nullptr, &startup, &info)
                                    : CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                                                     &startup, &info));
         ++attempt) {
        std::fwprintf(stderr, L"CreateProcessW failed with error %lu: %ls\n", GetLastError(), commandLine.c_str());
        if (attempt == 3)
            return nullptr;
        Sleep(200);
    }
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
