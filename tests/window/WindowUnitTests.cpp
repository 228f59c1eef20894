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
        // Without super-trans mode nothing goes beyond 80 percent.
        {81, false, 51}, {95, false, 51}, {99, false, 51}, {80, false, 51}, {79, false, 53},
        // Out of range reads as 40, but only after the 80 cap.
        {100, true, 153}, {255, true, 153}, {150, false, 51},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AlphaForTransparency(static_cast<uint8_t>(c.percentage), c.superTrans), c.alpha)
            << c.percentage << "% superTrans=" << c.superTrans;
    }
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
        // The longest path the buffer holds is kept whole.
        {volume3 + longest, L"C:", volume3, L"C:" + longest},
    };
    for (const auto& c : cases) {
        ASSERT_LT(c.path.size(), kPathCapacity);
        wchar_t path[kPathCapacity] = {};
        wcscpy(path, c.path.c_str());
        EXPECT_EQ(MapDevicePathToDrive(path, c.drive, c.target.c_str()), !c.result.empty()) << c.path;
        EXPECT_EQ(std::wstring(path), c.result.empty() ? c.path : c.result);
    }
}

TEST(BuildAutoStartValue, QuotesPathsWithBlanksAndNeverCutsThem)
{
    const std::wstring longWithBlank = L"C:\\Program Files\\" + std::wstring(kPathCapacity - 1 - 17 - 4, L'p') + L".exe";
    ASSERT_EQ(longWithBlank.size(), kPathCapacity - 1);
    const struct {
        std::wstring program;
        std::wstring value;   // empty: refused
    } cases[] = {
        {L"C:\\Program Files\\Paneveil\\Paneveil.exe", L"\"C:\\Program Files\\Paneveil\\Paneveil.exe\" /b"},
        {L"C:\\Tools\\Paneveil.exe", L"C:\\Tools\\Paneveil.exe /b"},
        {L"\"C:\\My Tools\\Paneveil.exe\"", L"\"C:\\My Tools\\Paneveil.exe\" /b"},
        {longWithBlank, L"\"" + longWithBlank + L"\" /b"},
        {longWithBlank + L"x", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        wchar_t value[kAutoStartValueCapacity];
        wmemset(value, L'#', kAutoStartValueCapacity);
        EXPECT_EQ(BuildAutoStartValue(c.program.c_str(), value), !c.value.empty());
        EXPECT_EQ(std::wstring(value), c.value);
    }
}

TEST(GetProcessImagePath, GivesTheDriveLetterPathWithOrWithoutMemoryAccessAndNothingForANonProcess)
{
    wchar_t expected[kPathCapacity] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, expected, kPathCapacity), 0u);
    // Full access reads the module list; limited access has only the NT device path to map.
    for (DWORD access : {DWORD(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ), DWORD(PROCESS_QUERY_LIMITED_INFORMATION)}) {
        UniqueKernelHandle process(OpenProcess(access, FALSE, GetCurrentProcessId()));
        ASSERT_TRUE(process);
        wchar_t path[kPathCapacity];
        wmemset(path, L'#', kPathCapacity);
        GetProcessImagePath(process.get(), path);
        EXPECT_EQ(CompareStringOrdinal(path, -1, expected, -1, TRUE), CSTR_EQUAL)
            << "access " << access << ": " << std::wstring(path, wcsnlen(path, kPathCapacity));
    }
    UniqueKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    wchar_t path[kPathCapacity];
    wmemset(path, L'#', kPathCapacity);
    GetProcessImagePath(event.get(), path);
    EXPECT_STREQ(path, L"");
}

} // namespace
