// Paneveil.exe /export FILE and /import FILE, alone, beside a running instance and behind the
// password.
#include "EndToEnd.h"

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
        EXPECT_TRUE(paneveil.Start(arguments) && (!password || (prompt = Prompt(paneveil))));
        prompted();
        if (password && *password)
            AnswerPrompt(paneveil, prompt, password);
        EXPECT_TRUE(!IsWindow(prompt) || Close(prompt, IDCANCEL));
        WaitFor([&] { return !paneveil.IsRunning() || (box = paneveil.MessageBox(0)); }, 10000);
        m_box = box ? AnswerBox(box, IDOK) : L"";
        DWORD code = ~0u;
        return paneveil.WaitForExit() && GetExitCodeProcess(paneveil.Handle(), &code) ? code : ~0u;
    }

    TempFolder m_folder;
    std::wstring m_box;
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
// sees a filter added there.
TEST_F(FiltersTextEndToEnd, ImportAndExportBesideARunningInstance)
{
    Show(IDC_MAIN_TAB_FILTERS, IDC_FILTERS_LIST);
    Write(L"in.txt", "20\tEnd-to-end target\r\n");
    EXPECT_EQ(Run(L"/import" + File(L"in.txt")), 0u);
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
    // filters up (a window of this test's, answering 0): the change stays, and the exit code says so.
    UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, L"Paneveil_Mutex"));
    const HWND instance = CreateWindowExW(0, L"#32770", L"Paneveil", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 1, 1, instance, HMENU(UINT_PTR(IDC_MAIN_TAB_GLOBAL)), nullptr, nullptr);
    EXPECT_EQ(Run(L"/import" + File(L"in.txt"), L"secret", [] {
        WriteDataFile([](Settings& s) { ComputePasswordDigest(L"secret", s.passwordDigest), s.globalTransparency = 20; });
    }), 5u);
    EXPECT_NE(m_box.find(L"did not take them up"), std::wstring::npos);
    EXPECT_EQ(ReadSettings().globalTransparency, 20);
    EXPECT_EQ(FileFilters(), (std::vector<std::pair<std::wstring, int>>{{L"Mail", 20}}));
    DestroyWindow(instance);
}

}  // namespace
