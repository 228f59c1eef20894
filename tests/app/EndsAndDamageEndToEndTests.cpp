// Whatever ends the real program, its windows come back; a damaged data file loses nothing; no
// other process steers the hook library.
#include "EndToEnd.h"

#include <aclapi.h>
#include <sddl.h>

#include <psapi.h>

#include <algorithm>

namespace {

constexpr int kAlpha50 = 127;

// Where a function of the stripped program lies in the running `process`: from the link map
// beside the program, moved by where the process has the program.
LPTHREAD_START_ROUTINE ProgramFunction(HANDLE process, const std::string& name)
{
    Bytes bytes;
    HMODULE program = nullptr;
    DWORD needed = 0;
    ReadWholeFile(std::wstring(ProgramPath(), 0, ProgramPath().rfind(L'.')) + L".map", bytes);
    const std::string map(bytes.begin(), bytes.end());
    const size_t at = map.find(" " + name + "\n"), line = map.rfind('\n', at);
    if (at == map.npos || !EnumProcessModules(process, &program, sizeof program, &needed))
        return nullptr;
    const uintptr_t linked = std::stoull(map.substr(line + 1, at - line), nullptr, 16), base = sizeof(void*) == 4 ? 0x400000 : 0x140000000;
    return reinterpret_cast<LPTHREAD_START_ROUTINE>(linked - base + reinterpret_cast<uintptr_t>(program));
}

using EndsAndDamage = EndToEnd;

// A data file cut in its third of four filters, or inside the password's digest, where half a
// digest would be a password nobody knows. The filters before the damage are in effect, and the
// settings if they were whole, else the defaults, without a password. The user is told, also at a
// start with /b; the damaged bytes are kept aside, unchanged, and the next save writes what was kept.
TEST_F(EndsAndDamage, ADamagedFileLosesNothing)
{
    const HWND other = m_helper.Create(L"PvEndToEndOther", L"Other window");
    Helper(L"layer", other, L"255");
    m_helper.Show(other);
    using Filters = std::vector<std::pair<std::wstring, int>>;
    const struct { size_t kept; bool digestCut; const wchar_t* told; int alpha, otherAlpha; Filters saved; std::string exported; } cases[] = {
        {16 + sizeof(Settings) + 4 + 2 * sizeof(FilterRecord) + 300, false, L"Filters kept: 2.", kAlpha20, 255,
         {{L"End-to-end target", 20}, {L"Other window", 0}}, "20\tEnd-to-end target\r\n0\tOther window\r\n"},
        {16 + offsetof(Settings, passwordDigest) + 7, true, L"Filters kept: 0.", kAlpha40, kAlpha40, {}, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told);
        Clean();
        WriteDataFile([&](Settings& s) { c.digestCut && ComputePasswordDigest(L"secret", s.passwordDigest); });
        FilterList filters;   // each added one goes to the top
        for (const auto& [pattern, percent] : {std::pair{L"fourth", 30}, {L"third", 40}, {L"Other window", 0}, {L"End-to-end target", 20}})
            filters.AddFilter(pattern, uint8_t(percent));
        Bytes damaged;
        ASSERT_TRUE(SaveDataFile(DataFilePath().c_str(), ReadSettings(), filters) && ReadWholeFile(DataFilePath(), damaged));
        damaged.resize(c.kept);
        ASSERT_TRUE(WriteWholeFile(DataFilePath(), damaged));
        PaneveilProcess paneveil;
        ASSERT_TRUE(paneveil.Start(L"/b"));
        const HWND box = paneveil.MessageBox(), main = paneveil.MainWindow();
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(TargetReaches(c.alpha) && m_helper.WaitForAlpha(other, c.otherAlpha));
        const std::vector<std::wstring> copies = DamagedCopies();
        ASSERT_EQ(copies.size(), 1u);
        const std::wstring text = AnswerBox(box, IDOK);
        EXPECT_TRUE(text.find(DataFilePath()) != text.npos && text.find(copies[0]) != text.npos && text.find(c.told) != text.npos) << text;
        EXPECT_EQ(text.find(L"no password is set") != text.npos, c.digestCut) << text;
        // An export rescues what was kept.
        TempFolder folder;
        PaneveilProcess exporter;
        Bytes exported, kept;
        EXPECT_TRUE(exporter.Start(L"/export \"" + folder.File(L"out.txt") + L"\"") && exporter.WaitForExit()
                    && ReadWholeFile(folder.File(L"out.txt"), exported) && std::string(exported.begin(), exported.end()) == c.exported);
        // A change makes the next save: through the tray icon's show request (which would ask for
        // a password) to the Settings page.
        Tray(main, WM_LBUTTONDBLCLK);
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(main); }));
        ClickButton(main, IDC_MAIN_TAB_SETTINGS);
        HWND page = nullptr;
        ASSERT_TRUE(WaitFor([&] { return GetDlgItem(page = VisiblePage(main), IDC_SETTINGS_SUPER_TRANS) != nullptr; }));
        ClickButton(page, IDC_SETTINGS_SUPER_TRANS);
        ASSERT_TRUE(WaitFor([&] { return ReadSettings().superTransMode == 1; }));
        EXPECT_TRUE(FileFilters() == c.saved && !ReadSettings().HasPassword());
        EXPECT_TRUE(ReadWholeFile(copies[0], kept) && kept == damaged && DamagedCopies() == copies);
        ExitAndExpectOpaque(paneveil, main);
    }
}

// Another program loads the hook library, writes over every byte it shares between processes and
// calls its PV_Unhook: once the hook procedure could have read a thread id of 0 there. The target
// the library posts to may be read by anyone and written by its user only.
TEST_F(EndsAndDamage, NoOtherProcessSteersTheHookLibrary)
{
    PaneveilProcess paneveil;
    ASSERT_NE(Start(paneveil, true), nullptr);
    HMODULE pvdll = nullptr;
    ASSERT_TRUE(pvdll = LoadLibraryW((ProgramPath().substr(0, ProgramPath().rfind(L'\\') + 1) + L"PVDLL.dll").c_str()));
    const auto* base = reinterpret_cast<BYTE*>(pvdll);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        BYTE* bytes = const_cast<BYTE*>(base) + section->VirtualAddress;
        DWORD shared = IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_WRITE;
        if ((section->Characteristics & shared) == shared && VirtualProtect(bytes, section->Misc.VirtualSize, PAGE_READWRITE, &shared))
            std::memset(bytes, 0, section->Misc.VirtualSize);
    }
    const FARPROC unhook = GetProcAddress(pvdll, "PV_Unhook");
    ASSERT_TRUE(unhook && (unhook(), FreeLibrary(pvdll)));

    const HWND later = m_helper.Create(L"PvEndToEndLater", L"Shown later");
    m_helper.Show(later);
    EXPECT_TRUE(m_helper.WaitForAlpha(later, kAlpha40));

    UniqueKernelHandle target(OpenFileMappingW(READ_CONTROL, FALSE, L"Local\\PaneveilHookTarget"));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LPWSTR text = nullptr;
    ASSERT_TRUE(target && !GetSecurityInfo(target.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &descriptor)
                && ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::wstring access = text;
    LocalFree(text), LocalFree(descriptor);
    // Protected; Everyone: SECTION_QUERY and SECTION_MAP_READ (CC and LC); the only other entry the user's.
    EXPECT_TRUE(access.rfind(L"D:P(A;;", 0) == 0 && access.find(L")(A;;CCLC;;;WD)") != access.npos && std::count(access.begin(), access.end(), L'(') == 2) << access;
    ExitAndExpectOpaque(paneveil, paneveil.MainWindow());
}

// A window marked as if Paneveil had layered it: after Exit the watchdog has gone with Paneveil
// and left the window alone; after a kill it has given it back what it had, and the window at the
// global 50%. Turned off and on, Paneveil keeps its one watchdog. (A kill's safe-mode offer:
// EndToEndTests.cpp.)
TEST_F(EndsAndDamage, AfterExitTheWatchdogIsGoneAndChangedNothing)
{
    WriteDataFile([](Settings& s) { s.globalTransparency = 50; });
    for (const bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "kill" : "Exit");
        PaneveilProcess paneveil;
        const HWND main = Start(paneveil, true, kAlpha50);
        ASSERT_NE(main, nullptr);
        for (int toggle = 0; toggle < (kill ? 0 : 3); ++toggle)
            PostMessageW(main, WM_COMMAND, IDM_TOGGLE, 0);
        ASSERT_TRUE(Sync(main) && TargetReaches(kill ? kAlpha50 : kOpaque) && paneveil.Watchdogs().size() == 1);
        // Marked as Paneveil marks a window it layered at 40%: only a restore takes the layering away.
        const HWND marked = m_helper.Create(L"PvEndToEndMarked", L"Marked");
        m_helper.Show(marked);
        Helper(L"layer", marked, std::to_wstring(kAlpha40));
        SetPropW(marked, L"PV_MARK", reinterpret_cast<HANDLE>(UINT_PTR{1} << 17 | UINT_PTR{1} << 16 | UINT_PTR{kAlpha40} << 8 | 255));
        if (kill)
            TerminateProcess(paneveil.Handle(), 1);
        else
            Exit(main);
        ASSERT_TRUE(paneveil.WaitForExit());
        EXPECT_TRUE(kill || paneveil.Watchdogs().empty());
        EXPECT_TRUE(m_helper.WaitForAlpha(m_target, kOpaque, 2000) && WaitFor([&] { return paneveil.Watchdogs().empty(); }));
        EXPECT_EQ(m_helper.Alpha(marked), kill ? kOpaque : kAlpha40);
        EXPECT_EQ(GetPropW(marked, L"PV_MARK") == nullptr, kill);
    }
}

// The ends of the program from inside it, started there by a thread at the function that makes
// each, with the watchdog ended first: a crash that the exception filter sees (a thread started at
// an invalid address), and those it never sees. The windows have their old alpha back at once
// (the style, which the dying process could not wait to change, goes with /restore), the process
// still ends as it would have, and its atom stays for the next start's safe-mode offer. (Wine's C
// runtime has no handler for invalid arguments to set, and goes on after one: not started here.)
TEST_F(EndsAndDamage, EveryEndFromInsideRestoresTheWindows)
{
    const struct { const char* name; DWORD code; ULONG_PTR argument; } ends[] = {
        {"", EXCEPTION_ACCESS_VIOLATION, 0}, {"abort", 3, 0}, {"std::terminate()", 3, 0}, {"__cxa_pure_virtual", 3, 0},
        // More than any process can have: the allocation fails, and nothing catches the failure.
        {sizeof(void*) == 4 ? "operator new(unsigned int)" : "operator new(unsigned long long)", 3, ~ULONG_PTR{0} - 64}};
    for (const auto& end : ends) {
        SCOPED_TRACE(end.name);
        PaneveilProcess paneveil;
        ASSERT_NE(Start(paneveil, true), nullptr);
        ASSERT_TRUE(paneveil.Watchdogs(true).size() == 1 && paneveil.Watchdogs().empty() && paneveil.IsRunning());
        // The C runtime lies at the same address in every process.
        const auto start = !*end.name ? LPTHREAD_START_ROUTINE(1) : *end.name != 'a' ? ProgramFunction(paneveil.Handle(), end.name)
                           : LPTHREAD_START_ROUTINE(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "abort")));
        ASSERT_NE(start, nullptr);
        UniqueKernelHandle thread(CreateRemoteThread(paneveil.Handle(), nullptr, 0, start, reinterpret_cast<void*>(end.argument), 0, nullptr));
        DWORD code = 0;
        ASSERT_TRUE(thread && paneveil.WaitForExit() && GetExitCodeProcess(paneveil.Handle(), &code));
        EXPECT_EQ(code, end.code);
        const int alpha = m_helper.Alpha(m_target);
        EXPECT_TRUE(alpha == 255 || alpha == kOpaque) << alpha;
        EXPECT_TRUE(IsRunningAtomPresent());
        RemoveRunningAtom();
    }
    PaneveilProcess restore;
    ASSERT_TRUE(restore.Start(L"/restore") && restore.WaitForExit());
    EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
}

}  // namespace
