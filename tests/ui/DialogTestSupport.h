#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Dialog.h"
#include "GdiObjects.h"
#include "TestSupport.h"
#include "WinApp.h"

// The application object of the test programs: named like the program, with a hand cursor the
// skin can be pointed at. It has no font of its own: the program's is checked end to end.
class TestApp : public WinApp {
public:
    TestApp() : WinApp(L"Paneveil") {}
    HCURSOR GetHandCursor() const override { return m_handCursor; }

    HCURSOR m_handCursor = nullptr;
};

TestApp& GetTestApp();

// A message box seen while a step ran: its caption, text and whether it showed the
// exclamation icon. The watcher presses its first button so the step can go on.
struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
    bool exclamationIcon;
};

class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    const std::vector<SeenMessageBox>& Seen() const { return m_seen; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook;
    std::vector<SeenMessageBox> m_seen;
};

// Runs `script` from inside a dialog's modal loop, once the dialog has been shown.
template <class Base>
class ScriptedDialog : public Base {
public:
    template <class... Args>
    explicit ScriptedDialog(std::function<void(ScriptedDialog&)> script, Args&&... args)
        : Base(std::forward<Args>(args)...), m_script(std::move(script))
    {
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kRunScript) {
            if (m_script)
                m_script(*this);
            return 0;
        }
        return Base::WindowProc(message, wParam, lParam);
    }

    BOOL OnInitDialog() override
    {
        BOOL result = Base::OnInitDialog();
        PostMessageW(this->Handle(), kRunScript, 0, 0);
        return result;
    }

private:
    static constexpr UINT kRunScript = WM_APP + 77;
    std::function<void(ScriptedDialog&)> m_script;
};

// The text of a window.
std::wstring TextOf(HWND window);

// A Tahoma font of the given logical height.
Font MakeFont(int height);
