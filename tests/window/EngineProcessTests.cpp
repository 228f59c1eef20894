#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Engine.h"
#include "HelperProcess.h"
#include "RunningAtom.h"
#include "TestSupport.h"

namespace {

TEST(EngineProcess, AKilledEngineLeavesTheRunningAtomAndAnOrderlyEndRemovesIt)
{
    RemoveRunningAtom();
    TempFolder folder;
    const std::wstring commandLine = L"\"" + ProgramFolder() + L"\\pv_engine_host.exe\" hook \"" +
                                     folder.File(L"unused.dat") + L"\"";
    for (bool killed : {true, false}) {
        {
            PipedProcess host(commandLine);
            ASSERT_EQ(host.ReadLine(), "started");
            EXPECT_TRUE(IsRunningAtomPresent());
            if (killed) {
                ASSERT_TRUE(host.Kill());
            }
        }   // otherwise its input ends, and it stops
        EXPECT_EQ(IsRunningAtomPresent(), killed);
        RemoveRunningAtom();
    }
}

// The program path goes into the value as it is, quoted only when it has a blank.
TEST(EngineProcess, AutoStartWritesTheProgramPathAndDeletesIt)
{
    const wchar_t runKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    auto runValue = [&runKey] {
        wchar_t value[600] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        return RegGetValueW(HKEY_CURRENT_USER, runKey, L"Paneveil", RRF_RT_REG_SZ, nullptr, value, &size) ==
                       ERROR_SUCCESS
                   ? std::wstring(value)
                   : L"<none>";
    };
    // A fresh Wine prefix may lack the Run key that every Windows installation has.
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, runKey, 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);

    TempFolder temp;
    const std::wstring dataFile = temp.File(L"autostart.dat");
    for (const wchar_t* name : {L"plain", L"with blank"}) {
        const std::wstring folder = temp.File(name);
        const std::wstring program = folder + L"\\pv_engine_host.exe";
        CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\pv_engine_host.exe").c_str(), program.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\PVDLL.dll").c_str(), (folder + L"\\PVDLL.dll").c_str(), FALSE));
        {
            PipedProcess host(L"\"" + program + L"\" autostart \"" + dataFile + L"\"");
            EXPECT_EQ(host.ReadLine(), "done");
            EXPECT_TRUE(host.WaitForEnd(10000));
        }
        const bool hasBlank = folder.find(L' ') != std::wstring::npos;
        EXPECT_EQ(runValue(), (hasBlank ? L"\"" + program + L"\"" : program) + L" /b");
        DeleteFileW(program.c_str());
        DeleteFileW((folder + L"\\PVDLL.dll").c_str());
    }

    Engine engine(dataFile.c_str());
    engine.settings.autoStart = 0;
    EXPECT_TRUE(engine.ApplySettings(false, true, false));
    EXPECT_EQ(runValue(), L"<none>");
}

} // namespace
