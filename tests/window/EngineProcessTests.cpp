#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Engine.h"
#include "HelperProcess.h"
#include "UniqueHandle.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring TempPath(const std::wstring& name)
{
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    return base + name;
}

std::wstring ReadRunValue()
{
    wchar_t value[600] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Paneveil", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<none>";
    return value;
}

TEST(EngineProcess, AKilledEngineLeavesTheRunningAtomAndAnOrderlyEndRemovesIt)
{
    RemoveRunningAtom();
    const std::wstring host = ProgramFolder() + L"\\pv_engine_host.exe";
    const std::wstring dataFile = L"\"" + TempPath(L"pv_host_unused.dat") + L"\"";
    {
        PipedProcess killed(L"\"" + host + L"\" hook " + dataFile);
        ASSERT_EQ(killed.ReadLine(), "started");
        EXPECT_TRUE(IsRunningAtomPresent());
        ASSERT_TRUE(killed.Kill());
    }
    EXPECT_TRUE(IsRunningAtomPresent());
    RemoveRunningAtom();
    EXPECT_FALSE(IsRunningAtomPresent());
    {
        PipedProcess orderly(L"\"" + host + L"\" hook " + dataFile);
        ASSERT_EQ(orderly.ReadLine(), "started");
        EXPECT_TRUE(IsRunningAtomPresent());
    }
    EXPECT_FALSE(IsRunningAtomPresent());
}

// The program path goes into the value as it is, quoted only when it has a blank.
TEST(EngineProcess, AutoStartWritesTheProgramPathAndDeletesIt)
{
    // A fresh Wine prefix may lack the Run key that every Windows installation has.
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);

    const std::wstring plainFolder = TempPath(L"pv_autostart");
    const std::wstring blankFolder = TempPath(L"pv auto start");
    const std::wstring dataFile = TempPath(L"pv_autostart.dat");
    for (const std::wstring& folder : {plainFolder, blankFolder}) {
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring program = folder + L"\\pv_engine_host.exe";
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\pv_engine_host.exe").c_str(), program.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\PVDLL.dll").c_str(), (folder + L"\\PVDLL.dll").c_str(), FALSE));
        {
            PipedProcess host(L"\"" + program + L"\" autostart \"" + dataFile + L"\"");
            EXPECT_EQ(host.ReadLine(), "done");
            EXPECT_TRUE(host.WaitForEnd(10000));
        }
        const bool hasBlank = folder.find(L' ') != std::wstring::npos;
        EXPECT_EQ(ReadRunValue(), (hasBlank ? L"\"" + program + L"\"" : program) + L" /b");
        DeleteFileW(program.c_str());
        DeleteFileW((folder + L"\\PVDLL.dll").c_str());
        RemoveDirectoryW(folder.c_str());
    }

    Engine engine(dataFile.c_str());
    engine.settings.autoStart = 0;
    EXPECT_TRUE(engine.ApplySettings(false, true, false));
    EXPECT_EQ(ReadRunValue(), L"<none>");
    DeleteFileW(dataFile.c_str());
}

} // namespace
