#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Engine.h"
#include "ImportPatch.h"
#include "ProcessImage.h"
#include "TestSupport.h"
#include "WindowAlpha.h"

namespace {

// The check values of the formula (truncated 255 - p% of 255, in doubles) that the windows in the
// engine's tests do not reach, and the caps: nothing beyond 80 percent without super-trans mode,
// and out of range read as 40, but only after that cap.
TEST(AlphaForTransparency, FollowsTheFormulaAndTheCaps)
{
    const int cases[][3] = {{0, 1, 255}, {1, 1, 252}, {99, 1, 2}, {81, 0, 51}, {79, 0, 53}, {100, 1, 153}, {150, 0, 51}};
    for (const auto& c : cases)
        EXPECT_EQ(AlphaForTransparency(uint8_t(c[0]), c[1] != 0), c[2]) << c[0] << "% " << c[1];
}

TEST(MapDevicePathToDrive, TakesTheDeviceOnlyAsAWholeLeadingComponent)
{
    const std::wstring volume3 = L"\\Device\\HarddiskVolume3";
    const std::wstring longest = L"\\" + std::wstring(kPathCapacity - 2 - volume3.size(), L'x');
    const struct {
        std::wstring path;
        const wchar_t* drive;
        std::wstring target;
        std::wstring result;   // empty: not on that device, path unchanged
    } cases[] = {
        {L"\\Device\\HarddiskVolume1\\Windows\\notepad.exe", L"C:", L"\\Device\\HarddiskVolume1",
         L"C:\\Windows\\notepad.exe"},
        {L"\\Device\\HarddiskVolume10\\Tools\\a.exe", L"C:", L"\\Device\\HarddiskVolume1", L""},
        {L"\\Device\\HarddiskVolume10\\Tools\\a.exe", L"D:", L"\\Device\\HarddiskVolume10", L"D:\\Tools\\a.exe"},
        {L"\\Device\\Mup\\server\\Device\\HarddiskVolume1\\a.exe", L"C:", L"\\Device\\HarddiskVolume1", L""},
        {L"\\Device\\HarddiskVolume1", L"C:", L"\\Device\\HarddiskVolume1", L""},
        {L"\\device\\harddiskvolume2\\a.exe", L"E:", L"\\Device\\HarddiskVolume2", L"E:\\a.exe"},
        {L"\\Device\\HarddiskVolume1\\a.exe", L"C:", L"", L""},
        {volume3 + longest, L"C:", volume3, L"C:" + longest},   // the longest path the buffer holds
    };
    for (const auto& c : cases) {
        wchar_t path[kPathCapacity] = {};
        wcscpy(path, c.path.c_str());
        EXPECT_EQ(MapDevicePathToDrive(path, c.drive, c.target.c_str()), !c.result.empty()) << c.path;
        EXPECT_EQ(std::wstring(path), c.result.empty() ? c.path : c.result);
    }
}

TEST(AutoStart, TheValueQuotesPathsWithBlanksNeverCutsThemAndIsWrittenAndDeleted)
{
    const std::wstring longest = L"C:\\Program Files\\" + std::wstring(kPathCapacity - 1 - 17 - 4, L'p') + L".exe";
    const struct {
        std::wstring program;
        std::wstring value;   // empty: refused
    } cases[] = {
        {L"C:\\Program Files\\Paneveil\\Paneveil.exe", L"\"C:\\Program Files\\Paneveil\\Paneveil.exe\" /b"},
        {L"C:\\Tools\\Paneveil.exe", L"C:\\Tools\\Paneveil.exe /b"},
        {longest, L"\"" + longest + L"\" /b"},
        {longest + L"x", L""},
    };
    for (const auto& c : cases) {
        wchar_t value[kAutoStartValueCapacity];
        EXPECT_EQ(BuildAutoStartValue(c.program.c_str(), value), !c.value.empty());
        EXPECT_EQ(std::wstring(value), c.value);
    }

    const wchar_t runKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    auto runValue = [&runKey] {
        wchar_t value[600] = L"<none>";
        DWORD size = sizeof value;
        RegGetValueW(HKEY_CURRENT_USER, runKey, L"Paneveil", RRF_RT_REG_SZ, nullptr, value, &size);
        return std::wstring(value);
    };
    // A fresh Wine prefix may lack the Run key that every Windows installation has.
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, runKey, 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr), 0);
    RegCloseKey(created);
    wchar_t program[kPathCapacity] = {};
    GetModuleFileNameW(nullptr, program, kPathCapacity);
    TempFolder folder;
    Engine engine(folder.File(L"Paneveil.dat").c_str());
    for (uint8_t autoStart : {1, 0}) {
        engine.settings.autoStart = autoStart;
        EXPECT_TRUE(engine.ApplySettings(false, true, false));
        EXPECT_EQ(runValue(), autoStart ? std::wstring(program) + L" /b" : L"<none>");
    }
}

decltype(&OpenProcess) g_openProcess = nullptr;

HANDLE WINAPI OpenProcessRefusingMemoryReads(DWORD access, BOOL inherit, DWORD processId)
{
    return access & PROCESS_VM_READ ? nullptr : g_openProcess(access, inherit, processId);
}

DWORD WINAPI NoDosDevice(LPCWSTR, LPWSTR, DWORD) { return 0; }

// A protected process refuses PROCESS_VM_READ, and a program on a share or on a volume without a
// drive letter has no device to map: the path must still be found.
TEST(GetProcessImagePath, FindsTheProgramOfAProtectedProcessWithoutADriveLetter)
{
    wchar_t expected[kPathCapacity] = {}, path[kPathCapacity];
    ASSERT_NE(GetModuleFileNameW(nullptr, expected, kPathCapacity), 0u);
    ImportPatch open(L"kernel32.dll", "OpenProcess", reinterpret_cast<const void*>(&OpenProcessRefusingMemoryReads));
    ImportPatch devices(L"kernel32.dll", "QueryDosDeviceW", reinterpret_cast<const void*>(&NoDosDevice));
    g_openProcess = open.Original<decltype(&OpenProcess)>();
    ASSERT_TRUE(open.Installed() && devices.Installed());
    GetProcessImagePath(GetCurrentProcessId(), path);
    EXPECT_EQ(CompareStringOrdinal(path, -1, expected, -1, TRUE), CSTR_EQUAL) << path;
}

} // namespace
