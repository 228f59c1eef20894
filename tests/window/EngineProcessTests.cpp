#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Engine.h"
#include "HelperProcess.h"

namespace {

// The program path goes into the value as it is, quoted only when it has a blank.
TEST(EngineProcess, AutoStartWritesTheProgramPathAndDeletesIt)
{
    const wchar_t runKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    auto runValue = [&runKey] {
        wchar_t value[600] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        const LSTATUS status =
            RegGetValueW(HKEY_CURRENT_USER, runKey, L"Paneveil", RRF_RT_REG_SZ, nullptr, value, &size);
        return status == ERROR_SUCCESS ? std::wstring(value) : L"<none>";
    };
    // A fresh Wine prefix may lack the Run key that every Windows installation has.
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, runKey, 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);

    TempFolder temp;
    const std::wstring dataFile = temp.File(L"autostart.dat");
    for (const std::wstring& folder : {temp.File(L"plain"), temp.File(L"with blank")}) {
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring program = folder + L"\\pv_engine_host.exe";
        for (const wchar_t* file : {L"\\pv_engine_host.exe", L"\\PVDLL.dll"})
            ASSERT_TRUE(CopyFileW((ProgramFolder() + file).c_str(), (folder + file).c_str(), FALSE));
        {
            PipedProcess host(L"\"" + program + L"\" \"" + dataFile + L"\"");
            EXPECT_EQ(host.ReadLine(), "done");
        }
        const bool hasBlank = folder.find(L' ') != std::wstring::npos;
        EXPECT_EQ(runValue(), (hasBlank ? L"\"" + program + L"\"" : program) + L" /b");
        for (const wchar_t* file : {L"\\pv_engine_host.exe", L"\\PVDLL.dll"})
            DeleteFileW((folder + file).c_str());
    }
    Engine engine(dataFile.c_str());
    EXPECT_TRUE(engine.ApplySettings(false, true, false));
    EXPECT_EQ(runValue(), L"<none>");
}

} // namespace
