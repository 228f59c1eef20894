// The command line: /export FILE and /import FILE, alone, beside a running instance and behind
// the password; the switches that drive a running instance; a portable copy.
#include "EndToEnd.h"

#include <thread>

namespace {

class FiltersTextEndToEnd : public EndToEnd {
protected:
    std::wstring File(const wchar_t* name) const { return L" \"" + m_folder.File(name) + L"\""; }
    void Write(const wchar_t* name, const std::string& s) { WriteWholeFile(m_folder.File(name), Bytes(s.begin(), s.end())); }
    static std::string Read(const std::wstring& path)
    {
        Bytes bytes;
        return ReadWholeFile(path, bytes) ? std::string(bytes.begin(), bytes.end()) : "-";
    }
    // Runs the program to its end and gives its exit code. A password, if given, answers the
    // prompt ("" cancels it, a wrong one is followed by Cancel), after `prompted` has run; a
    // message box is answered with OK, its text kept in m_box.
    DWORD Run(const std::wstring& arguments, const wchar_t* password = nullptr, const std::function<void()>& prompted = [] {})
    {
        PaneveilProcess paneveil;
        HWND prompt = nullptr, box = nullptr;
        EXPECT_TRUE(paneveil.Start(arguments, false, m_program) && (!password || (prompt = Prompt(paneveil))));
        prompted();
        if (password && *password)
            AnswerPrompt(paneveil, prompt, password);
        EXPECT_TRUE(!IsWindow(prompt) || Close(prompt, IDCANCEL));
        WaitFor([&] { return !paneveil.IsRunning() || (box = paneveil.MessageBox(0)); }, 10000);
        m_box = box ? AnswerBox(box, IDOK) : L"";
        DWORD code = ~0u;
        return paneveil.WaitForExit() && GetExitCodeProcess(paneveil.Handle(), &code) ? code : ~0u;
    }

    // A control of the main window's page that has a control `mark` (ids repeat across pages).
    static HWND PageControl(HWND main, int id, int mark)
    {
        HWND page = nullptr;
        while ((page = FindWindowExW(main, page, L"#32770", nullptr)) && !GetDlgItem(page, mark)) {}
        return GetDlgItem(page, id);
    }

    TempFolder m_folder;
    std::wstring m_box, m_program = ProgramPath();
};

TEST_F(FiltersTextEndToEnd, ExportThenImportGivesBackTheDataFile)
{
    WriteDataFile([](Settings&) {}, {{L"notepad.exe", 50}, {L"C:\\Games\\*", 0}, {L"Fen\u00EAtre \u2603", 30}});
    const std::string saved = Read(DataFilePath());
    EXPECT_EQ(Run(L"/export" + File(L"list.txt")), 0u);
    EXPECT_EQ(Read(m_folder.File(L"list.txt")), "50\tnotepad.exe\r\n0\tC:\\Games\\*\r\n30\tFen\xC3\xAAtre \xE2\x98\x83\r\n");
    WriteDataFile([](Settings&) {});
    EXPECT_EQ(Run(L"/Import" + File(L"list.txt")), 0u);
    EXPECT_TRUE(Read(DataFilePath()) == saved);
}

// Each bad line is named by its number and what is wrong with it, and nothing changes.
TEST_F(FiltersTextEndToEnd, ImportRefusesABadLineOrFileAndChangesNothing)
{
    const std::string before = Read(DataFilePath());
    const struct { std::string text; const wchar_t* line; const wchar_t* reason; } cases[] = {
        {"1\ta\r\n100\tb\r\n", L"line 2 of ", L"from 0 to 99"}, {"\r\nx\ta", L"line 2 of ", L"from 0 to 99"},
        {"1\ta\r\n2\t\r\n", L"line 2 of ", L"no filter"}, {"1\t" + std::string(261, 'p'), L"line 1 of ", L"260"},
        {"1\tMail\r\n2\tmAIL", L"line 2 of ", L"earlier line"}, {"1\ta\r\n2\t\xFF", L"line 2 of ", L"not UTF-8"}};
    for (const auto& c : cases) {
        Write(L"bad.txt", c.text);
        EXPECT_EQ(Run(L"/import" + File(L"bad.txt")), 4u);
        const std::wstring named = c.line + m_folder.File(L"bad.txt");
        EXPECT_TRUE(m_box.find(named) != m_box.npos && m_box.find(c.reason) != m_box.npos) << m_box;
    }
    EXPECT_EQ(Run(L"/import" + File(L"none.txt")), 3u);
    EXPECT_EQ(m_box, L"Paneveil could not read the file " + m_folder.File(L"none.txt") + L".");
    EXPECT_EQ(Run(L"/export"), 1u);
    // A data file held by another program for longer than the wait is named with the reason.
    UniqueFileHandle held(CreateFileW(DataFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(Run(L"/export" + File(L"out.txt")), 3u);
    EXPECT_NE(m_box.find(DataFilePath() + L":"), std::wstring::npos);
    held.reset();
    EXPECT_TRUE(Read(DataFilePath()) == before);
}

// An import has reached the running instance's windows and Filters page when it ends; an export
// sees a filter added there. The instance is the data file's one writer: the import arrives just
// as the wheel rests after a turn (the instance's thread is held while the wheel's save timer and
// then the import reach it, in that order), and the file holds the import.
TEST_F(FiltersTextEndToEnd, ImportAndExportBesideARunningInstance)
{
    Show(IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST);
    Write(L"in.txt", "20\tEnd-to-end target\r\n");
    UniqueKernelHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(m_main, nullptr)));
    ASSERT_TRUE(thread && SuspendThread(thread.get()) == 0);
    SendNotifyMessageW(FindWindowExW(HWND_MESSAGE, nullptr, L"PvEngineNotify", nullptr), WM_TIMER, 1, 0);
    std::thread resume([&] { Sleep(1500), ResumeThread(thread.get()); });
    EXPECT_EQ(Run(L"/import" + File(L"in.txt")), 0u);
    resume.join();
    EXPECT_EQ(FileFilters(), (std::vector<std::pair<std::wstring, int>>{{L"End-to-end target", 20}}));
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha20);
    EXPECT_EQ(SendDlgItemMessageW(m_page, IDC_FILTERS_LIST, LVM_GETITEMCOUNT, 0, 0), 1);
    ClickButton(m_page, IDC_FILTERS_ADD);
    const HWND dialog = Dialog(L"Add/Modify Filter", IDC_FILTER_PATTERN);
    TypeText(dialog, IDC_FILTER_PATTERN, L"Mail");
    TypeText(dialog, IDC_FILTER_PERCENT, L"7");
    ASSERT_TRUE(Close(dialog, IDOK) && Sync(m_main));
    EXPECT_EQ(Run(L"/export" + File(L"out.txt")), 0u);
    EXPECT_EQ(Read(m_folder.File(L"out.txt")), "7\tMail\r\n20\tEnd-to-end target\r\n");
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// With a password both ask for it first: Cancel, or a wrong one, changes nothing.
TEST_F(FiltersTextEndToEnd, PasswordAskedFirst)
{
    WriteDataFile([](Settings& s) { ComputePasswordDigest(L"secret", s.passwordDigest); });
    const std::string before = Read(DataFilePath());
    Write(L"in.txt", "20\tMail\r\n");
    const std::pair<std::wstring, const wchar_t*> refused[] = {
        {L"/export" + File(L"out.txt"), L""}, {L"/import" + File(L"in.txt"), L""}, {L"/import" + File(L"in.txt"), L"wrong"}};
    for (const auto& [arguments, password] : refused)
        EXPECT_EQ(Run(arguments, password), 2u) << arguments << password;
    EXPECT_TRUE(Read(DataFilePath()) == before && Read(m_folder.File(L"out.txt")) == "-");
    // Beside an instance that saves a change while the prompt is open and then does not take the
    // filters up (a window of this test's, answering 0): its change stays, nothing is imported,
    // and the exit code says so.
    UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, L"Paneveil_Mutex"));
    const HWND instance = CreateWindowExW(0, L"#32770", L"Paneveil", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 1, 1, instance, HMENU(UINT_PTR(IDC_MAIN_TAB_GLOBAL)), nullptr, nullptr);
    EXPECT_EQ(Run(L"/disable", L"wrong"), 2u);
    EXPECT_EQ(Run(L"/toggle", L"secret"), 5u);
    EXPECT_EQ(Run(L"/import" + File(L"in.txt"), L"secret", [] {
        WriteDataFile([](Settings& s) { ComputePasswordDigest(L"secret", s.passwordDigest), s.globalTransparency = 20; });
    }), 5u);
    EXPECT_NE(m_box.find(L"did not take the filters up"), std::wstring::npos);
    EXPECT_EQ(ReadSettings().globalTransparency, 20);
    EXPECT_TRUE(FileFilters().empty());
    DestroyWindow(instance);
}

// Without an instance each switch ends with its own code and touches nothing; beside one they act
// on its windows before they end, /global as the slider would, and /status tells the state, also
// as a line to a redirected output.
TEST_F(FiltersTextEndToEnd, SwitchesDriveTheRunningInstance)
{
    WriteDataFile([](Settings&) {}, {{L"elsewhere.exe", 10}});
    const std::string before = Read(DataFilePath());
    for (const wchar_t* arguments : {L"/disable", L"/enable", L"/toggle", L"/status", L"/global 30"})
        EXPECT_EQ(Run(arguments), 6u) << arguments;
    for (const wchar_t* arguments : {L"/global 100", L"/global", L"/global 3x"})
        EXPECT_EQ(Run(arguments), 7u) << arguments;
    EXPECT_TRUE(Read(DataFilePath()) == before && !FindWindowW(L"#32770", L"Paneveil"));
    ASSERT_TRUE(m_main = Start(m_paneveil, true));
    const std::pair<const wchar_t*, int> steps[] = {{L"/status", 0}, {L"/DISABLE", kOpaque}, {L"/status", 1},
        {L"/toggle", kAlpha40}, {L"/toggle", kOpaque}, {L"/enable", kAlpha40}, {L"/enable", kAlpha40},
        {L"/global 30", 178}, {L"/global 90", 51}};   // 90 capped to 80 as the slider is
    for (const auto& [arguments, alpha] : steps) {
        const bool status = arguments == std::wstring(L"/status");
        EXPECT_EQ(Run(arguments), DWORD(status ? alpha : 0)) << arguments;
        EXPECT_TRUE(status || m_helper.Alpha(m_target) == alpha) << arguments;
    }
    EXPECT_EQ(ReadSettings().globalTransparency, 80);
    EXPECT_EQ(SendMessageW(PageControl(m_main, IDC_GLOBAL_SLIDER, IDC_GLOBAL_HELP), TBM_GETPOS, 0, 0), 80);
    const std::string saved = Read(DataFilePath());
    EXPECT_EQ(Run(L"/global 100"), 7u);
    EXPECT_TRUE(Read(DataFilePath()) == saved);
    UniqueKernelHandle shell(StartProcess(L"cmd /c \"\"" + ProgramPath() + L"\" /status > " + File(L"status.txt") + L"\""));
    // A GUI program started by cmd might outlive it (Windows' cmd does not wait for one everywhere).
    ASSERT_TRUE(shell && WaitForSingleObject(shell.get(), 10000) == 0 && WaitFor([&] { return Read(m_folder.File(L"status.txt")).size() > 2; }));
    EXPECT_EQ(Read(m_folder.File(L"status.txt")), "on, hook mode, global 80%, 1 filter\r\n");
    ExitAndExpectOpaque(m_paneveil, m_main);
}

// A copy with an empty Paneveil.dat beside it takes it as a new data file, keeps its filters and
// settings there and names it on the About page; the Documents file is never touched.
TEST_F(FiltersTextEndToEnd, PortableCopyKeepsItsDataBesideIt)
{
    const std::wstring folder = ProgramPath().substr(0, ProgramPath().rfind(L'\\') + 1);
    m_program = m_folder.File(L"Paneveil.exe");
    ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), m_program.c_str(), FALSE)
                && CopyFileW((folder + L"PVDLL.dll").c_str(), m_folder.File(L"PVDLL.dll").c_str(), FALSE));
    Write(L"Paneveil.dat", "");
    Write(L"in.txt", "20\tEnd-to-end target\r\n");
    const std::string documents = Read(DataFilePath());
    EXPECT_EQ(Run(L"/import" + File(L"in.txt")), 0u);
    EXPECT_EQ(m_box, L"");
    Settings settings;
    FilterList filters;
    ASSERT_TRUE(LoadDataFile(m_folder.File(L"Paneveil.dat").c_str(), settings, filters));
    EXPECT_EQ(filters.GetFilters().size(), 1u);
    PaneveilProcess copy;
    HWND main = nullptr;
    ASSERT_TRUE(copy.Start(L"/b", false, m_program) && (main = copy.MainWindow()) && TargetReaches(kAlpha20));
    EXPECT_EQ(WindowText(PageControl(main, IDC_ABOUT_DATA_FILE, IDC_ABOUT_DATA_FILE)), L"Data file: " + m_folder.File(L"Paneveil.dat"));
    EXPECT_EQ(Run(L"/global 30"), 0u);
    ASSERT_TRUE(LoadDataFile(m_folder.File(L"Paneveil.dat").c_str(), settings, filters));
    EXPECT_EQ(settings.globalTransparency, 30);
    ExitAndExpectOpaque(copy, main);
    EXPECT_TRUE(Read(DataFilePath()) == documents);
}

}  // namespace
