#pragma once
// The fixture of the tests that drive the real Paneveil.exe.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "DataFile.h"
#include "HelperProcess.h"
#include "PaneveilDriver.h"
#include "PasswordDigest.h"
#include "RunningAtom.h"
#include "Screenshot.h"
#include "UiFont.h"

constexpr wchar_t kPromptCaption[] = L"Paneveil / Need Password";
constexpr int kOpaque = -1;   // the helper's "not layered"
constexpr int kAlpha40 = 153, kAlpha20 = 204;

class EndToEnd : public ::testing::Test {
protected:
    // Every test starts with a data file that sets the hotkey Ctrl+Shift+F11, and ends without a
    // data file, a leftover atom, a font override or a scale of its own.
    void SetUp() override
    {
        Clean();
        WriteDataFile([](Settings&) {});
        ASSERT_NE(m_target = m_helper.Create(L"PvEndToEndTarget", L"End-to-end target"), nullptr);
        m_helper.Show(m_target);
    }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        DeleteFileW(DataFilePath().c_str());
        for (const std::wstring& copy : DamagedCopies())
            DeleteFileW(copy.c_str());
        RemoveRunningAtom();
        RegDeleteTreeW(HKEY_CURRENT_USER, kHiddenFontKey);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
    }
    // The settings with that hotkey and `change`, and `filters`, the first tried first.
    static void WriteDataFile(const std::function<void(Settings&)>& change,
                              std::initializer_list<std::pair<const wchar_t*, uint8_t>> filters = {})
    {
        Settings settings;
        settings.Reset();
        settings.hotkeyVirtualKey = VK_F11;
        settings.hotkeyModifiers = HOTKEYF_CONTROL | HOTKEYF_SHIFT;
        change(settings);
        FilterList list;   // each added filter goes to the top
        for (auto filter = std::rbegin(filters); filter != std::rend(filters); ++filter)
            ASSERT_TRUE(list.AddFilter(filter->first, filter->second));
        ASSERT_TRUE(SaveDataFile(DataFilePath().c_str(), settings, list));
    }
    static Settings ReadSettings()
    {
        Settings settings;
        settings.Reset();
        FilterList filters;
        LoadDataFile(DataFilePath().c_str(), settings, filters);
        return settings;
    }
    // The filters of the data file, front to back, read from its bytes.
    static std::vector<std::pair<std::wstring, int>> FileFilters()
    {
        Bytes bytes;
        ReadWholeFile(DataFilePath(), bytes);
        std::vector<std::pair<std::wstring, int>> filters;
        FilterRecord record;
        for (size_t at = 16 + sizeof(Settings) + 4; at + sizeof record <= bytes.size(); at += sizeof record) {
            std::memcpy(&record, &bytes[at], sizeof record);
            filters.emplace_back(std::wstring(record.pattern, wcsnlen(record.pattern, std::size(record.pattern))), record.transparency);
        }
        return filters;
    }
    // The copies of damaged data files beside the data file.
    static std::vector<std::wstring> DamagedCopies()
    {
        const std::wstring path = DataFilePath(), folder = path.substr(0, path.rfind(L'\\') + 1);
        std::vector<std::wstring> copies;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((folder + L"Paneveil damaged *.dat").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more || (FindClose(search), false); more = FindNextFileW(search, &found))
            copies.push_back(folder + found.cFileName);
        return copies;
    }
    // A screenshot of the display, $PV_SHOTS/<name>.png.
    static ::testing::AssertionResult Shot(const wchar_t* name)
    {
        Screenshot shot;
        std::string error;
        return shot.Take(name, &error) ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << error;
    }
    static void PressHotkey() { PressKeys({VK_CONTROL, VK_SHIFT, VK_F11}); }
    bool TargetReaches(int alpha) { return m_helper.WaitForAlpha(m_target, alpha); }
    // Once the target has been hidden and shown again, every event raised before has been handled.
    bool SyncTarget() { return m_helper.Hide(m_target), TargetReaches(kOpaque) && (m_helper.Show(m_target), TargetReaches(kAlpha40)); }
    LRESULT Helper(const wchar_t* command, HWND window, const std::wstring& more)
    {
        return m_helper.Command(std::wstring(command) + L"\t" + HelperProcess::Argument(window) + L"\t" + more);
    }

    // Starts the program and waits until its window shows, or with the switch ("/b") until its
    // engine has reached the target.
    HWND Start(PaneveilProcess& paneveil, bool hidden = false, int alpha = kAlpha40)
    {
        const HWND main = paneveil.Start(hidden ? L"/b" : L"") ? paneveil.MainWindow() : nullptr;
        return main && (hidden ? TargetReaches(alpha) : WaitFor([&] { return IsWindowVisible(main); })) ? main : nullptr;
    }
    static void Exit(HWND mainWindow) { PostMessageW(mainWindow, WM_COMMAND, IDM_EXIT, 0); }
    void ExitAndExpectOpaque(PaneveilProcess& paneveil, HWND mainWindow)
    {
        Exit(mainWindow);
        ASSERT_TRUE(paneveil.WaitForExit());
        EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
    }
    // A mouse message on the tray icon, as the shell reports it.
    static void Tray(HWND main, UINT mouse) { PostMessageW(main, RegisterWindowMessageW(L"WM_PV_TRAY"), 0, mouse); }
    // The password prompt once it shows: found earlier, it may not be ready for typing.
    static HWND Prompt(const PaneveilProcess& paneveil) { return paneveil.WaitForWindow(kPromptCaption, IDOK, true); }
    // Clicks a button that ends the dialog; whether it went.
    static bool Close(HWND dialog, int button)
    {
        ClickButton(dialog, button);
        return WaitFor([&] { return !IsWindow(dialog); });
    }
    // Answers a message box; its text.
    static std::wstring AnswerBox(HWND box, int button)
    {
        const std::wstring text = WindowText(GetDlgItem(box, 0xFFFF));
        Close(box, button);
        return text;
    }
    // Answers the password prompt; returns the text of the message box that follows, if any.
    static std::wstring AnswerPrompt(PaneveilProcess& paneveil, HWND prompt, const wchar_t* password)
    {
        TypeText(prompt, IDC_PASSWORD, password);
        ClickButton(prompt, IDOK);
        HWND box = nullptr;
        WaitFor([&] { return (box = paneveil.MessageBox(0)) || !IsWindow(prompt); });
        const std::wstring text = box ? AnswerBox(box, IDOK) : L"";
        // The prompt empties its edit once the box is gone, which disables OK again; typing
        // before that would be lost.
        WaitFor([&] { return !IsWindow(prompt) || (!IsWindow(box) && !IsWindowEnabled(GetDlgItem(prompt, IDOK))); });
        return text;
    }

    // The program (started first if need be) on the page of `tab`, known by a control only it has.
    void Show(int tab, int control)
    {
        ASSERT_TRUE(m_main || (m_main = Start(m_paneveil)));
        ClickButton(m_main, tab);
        ASSERT_TRUE(WaitFor([&] { return GetDlgItem(m_page = VisiblePage(m_main), control) != nullptr; }));
    }
    HWND Dialog(const wchar_t* caption, int control) { return m_paneveil.WaitForWindow(caption, control, true); }
    // The window with the focus in the program's user-interface thread.
    HWND Focus() const
    {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        return GetGUIThreadInfo(GetWindowThreadProcessId(m_main, nullptr), &thread) ? thread.hwndFocus : nullptr;
    }
    bool Enabled(int control) { return IsWindowEnabled(GetDlgItem(m_page, control)) != FALSE; }

    HelperProcess m_helper;
    HWND m_target = nullptr;
    PaneveilProcess m_paneveil;   // of the tests that start the program once
    HWND m_main = nullptr, m_page = nullptr;
};

