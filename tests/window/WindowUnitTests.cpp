#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Engine.h"
#include "ProcessImage.h"
#include "WindowAlpha.h"

namespace {

TEST(AlphaForTransparency, FollowsTheFormulaAndTheCaps)
{
    const struct {
        int percentage;
        bool superTrans;
        int alpha;
    } cases[] = {
        // The formula's check values (truncated 255 - p% of 255, in doubles).
        {0, true, 255}, {1, true, 252}, {20, true, 204}, {40, true, 153}, {50, true, 127}, {80, true, 51},
        {99, true, 2}, {95, true, 12},
        // Without super-trans mode nothing goes beyond 80 percent; out of range reads as 40, but
        // only after that cap.
        {81, false, 51}, {99, false, 51}, {79, false, 53}, {100, true, 153}, {255, true, 153}, {150, false, 51},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AlphaForTransparency(uint8_t(c.percentage), c.superTrans), c.alpha) << c.percentage << "% " << c.superTrans;
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

// The end-to-end autostart test runs a program from a folder with a blank; these are the lengths
// no folder here can reach.
TEST(BuildAutoStartValue, QuotesTheLongestPathAndRefusesALongerOne)
{
    const std::wstring longest = L"C:\\Program Files\\" + std::wstring(kPathCapacity - 1 - 17 - 4, L'p') + L".exe";
    wchar_t value[kAutoStartValueCapacity];
    EXPECT_TRUE(BuildAutoStartValue(longest.c_str(), value));
    EXPECT_EQ(std::wstring(value), L"\"" + longest + L"\" /b");
    EXPECT_FALSE(BuildAutoStartValue((longest + L"x").c_str(), value));
    EXPECT_STREQ(value, L"");
}

TEST(GetProcessImagePath, GivesTheDriveLetterPathWithOrWithoutMemoryAccessAndNothingForANonProcess)
{
    wchar_t expected[kPathCapacity] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, expected, kPathCapacity), 0u);
    // Full access reads the module list; limited access has only the NT device path to map.
    for (DWORD access : {DWORD(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ), DWORD(PROCESS_QUERY_LIMITED_INFORMATION)}) {
        UniqueKernelHandle process(OpenProcess(access, FALSE, GetCurrentProcessId()));
        wchar_t path[kPathCapacity];
        GetProcessImagePath(process.get(), path);
        EXPECT_EQ(CompareStringOrdinal(path, -1, expected, -1, TRUE), CSTR_EQUAL) << access;
    }
    UniqueKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    wchar_t path[kPathCapacity];
    wmemset(path, L'#', kPathCapacity);
    GetProcessImagePath(event.get(), path);
    EXPECT_STREQ(path, L"");
}

} // namespace
