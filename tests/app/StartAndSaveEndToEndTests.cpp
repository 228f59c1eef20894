// The real program's start while another program holds the data file or an instance started as
// administrator runs, a save that fails, and the version the program file carries.
#include "EndToEnd.h"

#include <sddl.h>

#include <thread>

namespace {

constexpr int kAlpha60 = 102;
constexpr DWORD kFullSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Another program holds the data file while Paneveil starts (with /b, which asks for nothing).
// With full sharing, or with none for 1.5 s, the file's filter and global transparency apply;
// held without sharing for longer than the start waits, Paneveil names the file and ends, no
// window translucent meanwhile, the file as it was, password included.
TEST_F(EndToEnd, DataFileHeldByAnotherProgramAtTheStart)
{
    Settings settings = ReadSettings();
    settings.globalTransparency = 60;
    ASSERT_TRUE(ComputePasswordDigest(L"secret", settings.passwordDigest));
    FilterList filters;
    ASSERT_TRUE(filters.AddFilter(L"End-to-end target", 20) && SaveDataFile(DataFilePath().c_str(), settings, filters));
    Bytes before, after;
    ASSERT_TRUE(ReadWholeFile(DataFilePath(), before));
    const HWND other = m_helper.Create(L"PvHeldOther", L"Global only");
    m_helper.Show(other);
    const struct { DWORD sharing, hold; bool starts; } cases[] = {{kFullSharing, 0, true}, {0, 1500, true}, {0, 8000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hold);
        UniqueFileHandle held(CreateFileW(DataFilePath().c_str(), GENERIC_READ, c.sharing, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        std::thread release([&] { Sleep(c.hold); if (c.sharing == 0) held.reset(); });
        PaneveilProcess paneveil;
        ASSERT_TRUE(paneveil.Start(L"/b"));
        if (c.starts) {
            EXPECT_TRUE(m_helper.WaitForAlpha(m_target, kAlpha20, 8000) && m_helper.WaitForAlpha(other, kAlpha60));
            PostMessageW(paneveil.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);   // Exit would ask for the password
        } else {
            const HWND box = paneveil.MessageBox(15000);
            EXPECT_TRUE(m_helper.Alpha(m_target) == kOpaque && m_helper.Alpha(other) == kOpaque && Shot(L"message-data-file-held"));
            EXPECT_NE(AnswerBox(box, IDOK).find(DataFilePath() + L":"), std::wstring::npos);
        }
        DWORD code = ~0u;
        EXPECT_TRUE(paneveil.WaitForExit() && GetExitCodeProcess(paneveil.Handle(), &code) && code == (c.starts ? 0u : 3u));
        release.join();
    }
    EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
    EXPECT_TRUE(ReadWholeFile(DataFilePath(), after) && after == before);
}

// While a reader holds the data file without delete sharing, a change cannot replace it: the
// change holds in memory and one message names the file, however often it fails. Once the reader
// has let go the next change is saved without a message, and a failure after that is told again.
TEST_F(EndToEnd, FailedSavesAreToldOnceUntilOneWorks)
{
    PaneveilProcess paneveil;
    const HWND main = Start(paneveil);
    ASSERT_NE(main, nullptr);
    const HWND page = VisiblePage(main), slider = GetDlgItem(page, IDC_GLOBAL_SLIDER);
    auto drop = [&](int position) {
        SendMessageW(slider, TBM_SETPOS, TRUE, position);
        // Posted: the handler may hold a message box open.
        PostMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, position), reinterpret_cast<LPARAM>(slider));
    };
    auto told = [&] {
        const HWND box = paneveil.MessageBox(8000);
        return box && Shot(L"message-save-failed") && AnswerBox(box, IDOK).find(DataFilePath() + L":") != std::wstring::npos;
    };
    for (int round = 0; round < 2; ++round) {
        UniqueFileHandle reader(CreateFileW(DataFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
        drop(20);
        EXPECT_TRUE(told());
        EXPECT_TRUE(TargetReaches(kAlpha20));
        drop(30);
        ASSERT_TRUE(Sync(main));
        EXPECT_EQ(paneveil.MessageBox(0), nullptr);
        EXPECT_EQ(ReadSettings().globalTransparency, round ? 50 : 40);
        reader.reset();
        drop(50);
        ASSERT_TRUE(Sync(main));
        EXPECT_TRUE(WaitFor([&] { return ReadSettings().globalTransparency == 50; }));
        EXPECT_EQ(paneveil.MessageBox(0), nullptr);
    }
    ExitAndExpectOpaque(paneveil, main);
}

// An instance started as administrator holds a mutex that an ordinary start may not open (here:
// one whose access list grants nothing). That start is the second one: it ends at once.
TEST_F(EndToEnd, AMutexThatCannotBeOpenedMeansAnotherInstance)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    UniqueKernelHandle mutex(CreateMutexW(&attributes, FALSE, L"Paneveil_Mutex"));
    LocalFree(descriptor);
    ASSERT_TRUE(mutex);
    PaneveilProcess paneveil;
    ASSERT_TRUE(paneveil.Start(L"/b") && paneveil.WaitForExit());
    EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
}

// Both numbers as CMake sets them: the product's has a fourth part of its own.
TEST(ProgramFile, VersionResourceGivesTheFileAndTheProductVersion)
{
    std::vector<BYTE> data(GetFileVersionInfoSizeW(ProgramPath().c_str(), nullptr));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(!data.empty() && GetFileVersionInfoW(ProgramPath().c_str(), 0, DWORD(data.size()), data.data())
                && VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    auto text = [](DWORD high, DWORD low) {
        return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." + std::to_wstring(HIWORD(low))
               + L"." + std::to_wstring(LOWORD(low));
    };
    auto named = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        return VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ? std::wstring(value) : L"";
    };
    EXPECT_NE(std::wstring(PV_FILE_VERSION), PV_PRODUCT_VERSION);
    EXPECT_EQ(text(fixed->dwFileVersionMS, fixed->dwFileVersionLS), PV_FILE_VERSION);
    EXPECT_EQ(named(L"FileVersion"), PV_FILE_VERSION);
    EXPECT_EQ(text(fixed->dwProductVersionMS, fixed->dwProductVersionLS), PV_PRODUCT_VERSION);
    EXPECT_EQ(named(L"ProductVersion"), PV_PRODUCT_VERSION);
}

}  // namespace
