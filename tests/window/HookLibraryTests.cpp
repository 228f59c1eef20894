#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "HelperProcess.h"
#include "PVDLL.h"

namespace {

using Posted = std::vector<std::pair<HWND, LPARAM>>;

// PVDLL's hook posts to this thread. The in-context hook posts from inside the helper's
// NotifyWinEvent, so once a helper command has returned, its messages are queued here.
class HookLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        PV_Unhook();
        ASSERT_NE(m_top = m_helper.Create(L"PvHookTest", L"hook test"), nullptr);
    }
    void TearDown() override { PV_Unhook(); }
    HWINEVENTHOOK Hook() { return PV_Hook(GetCurrentThreadId(), m_message); }
    Posted Take()
    {
        Posted posted;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, m_message, m_message, PM_REMOVE))
            posted.emplace_back(reinterpret_cast<HWND>(msg.wParam), msg.lParam);
        return posted;
    }
    void Notify(HWND window, LONG object, LONG child, DWORD event = EVENT_OBJECT_SHOW)
    {
        m_helper.Command(L"notify\t" + HelperProcess::Argument(window) + L"\t" + std::to_wstring(event) +
                         L"\t" + std::to_wstring(object) + L"\t" + std::to_wstring(child));
    }

    const UINT m_message = RegisterWindowMessageW(L"PV_TEST_HOOK");
    HelperProcess m_helper;
    HWND m_top = nullptr;
};

TEST_F(HookLibrary, PostsOneMessagePerTopLevelShowOrHideFromOneHookAtATime)
{
    const HWND child = reinterpret_cast<HWND>(m_helper.Command(L"child\t" + HelperProcess::Argument(m_top)));
    EXPECT_EQ(PV_Unhook(), FALSE);
    ASSERT_NE(Hook(), nullptr);
    // Events about parts of a window, or about child windows, post nothing.
    Notify(child, OBJID_WINDOW, CHILDID_SELF);
    Notify(m_top, OBJID_CARET, CHILDID_SELF);
    Notify(m_top, OBJID_VSCROLL, CHILDID_SELF);
    Notify(m_top, OBJID_WINDOW, 1);
    EXPECT_TRUE(Take().empty());
    Notify(child, OBJID_WINDOW, CHILDID_SELF, EVENT_SYSTEM_FOREGROUND);
    // Neither hook reaches an event between foreground and show.
    Notify(m_top, OBJID_WINDOW, CHILDID_SELF, EVENT_OBJECT_CREATE);
    EXPECT_TRUE(Take().empty());
    m_helper.Show(m_top);
    m_helper.Hide(m_top);
    Notify(m_top, OBJID_WINDOW, CHILDID_SELF, EVENT_SYSTEM_FOREGROUND);
    EXPECT_EQ(Take(), (Posted{{m_top, PV_SHOWN}, {m_top, PV_HIDDEN}, {m_top, PV_FOREGROUND}}));
    // A second hook replaces the first, and unhooking reports whether there was one.
    ASSERT_NE(Hook(), nullptr);
    m_helper.Show(m_top);
    EXPECT_EQ(Take(), (Posted{{m_top, 0}}));
    EXPECT_NE(PV_Unhook(), FALSE);
    m_helper.Hide(m_top);
    Notify(m_top, OBJID_WINDOW, CHILDID_SELF, EVENT_SYSTEM_FOREGROUND);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(PV_Unhook(), FALSE);
}

} // namespace
