#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "HelperProcess.h"
#include "PVDLL.h"

namespace {

using Posted = std::vector<std::pair<HWND, LPARAM>>;

// PVDLL's hook posts to a thread; this one collects what it gets. (The test thread pumps its own
// queue while it waits for the helper, so it cannot be the receiver.)
class HookLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        PV_Unhook();
        WaitForSingleObject(m_event, 5000);   // the receiver's queue exists
        ASSERT_NE(m_top = m_helper.Create("PvHookTest", "hook test"), nullptr);
    }
    void TearDown() override
    {
        PV_Unhook();
        m_helper.Destroy(m_top);
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
        CloseHandle(m_event);
    }
    HWINEVENTHOOK Hook() { return PV_Hook(m_threadId, m_message); }
    // Everything posted so far: the in-context hook posts from inside the helper's NotifyWinEvent,
    // so once a helper command has returned, its messages are queued ahead of this flush request.
    Posted Take()
    {
        PostThreadMessageW(m_threadId, WM_APP, 0, 0);
        WaitForSingleObject(m_event, 5000);
        return std::exchange(m_posted, {});
    }
    void Notify(HWND window, LONG object, LONG child)
    {
        m_helper.Command("notify\t" + WindowArgument(window) + "\t" + std::to_string(EVENT_OBJECT_SHOW) + "\t" +
                         std::to_string(object) + "\t" + std::to_string(child));
    }
    static DWORD WINAPI Receive(LPVOID parameter)
    {
        auto* self = static_cast<HookLibrary*>(parameter);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        SetEvent(self->m_event);
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == self->m_message)
                self->m_posted.emplace_back(reinterpret_cast<HWND>(msg.wParam), msg.lParam);
            else if (msg.message == WM_APP)
                SetEvent(self->m_event);
        }
        return 0;
    }

    const UINT m_message = RegisterWindowMessageW(L"PV_TEST_HOOK");
    const HANDLE m_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Posted m_posted;   // touched by the receiver only between two flushes
    DWORD m_threadId = 0;
    const HANDLE m_thread = CreateThread(nullptr, 0, Receive, this, 0, &m_threadId);
    HelperProcess m_helper;
    HWND m_top = nullptr;
};

TEST_F(HookLibrary, PostsOneMessagePerTopLevelShowOrHide)
{
    const std::string reply = m_helper.Command("child\t" + WindowArgument(m_top));
    const HWND child = reinterpret_cast<HWND>(std::stoull(reply.substr(3)));
    ASSERT_NE(Hook(), nullptr);
    // Events about parts of a window, or about child windows, post nothing.
    Notify(child, OBJID_WINDOW, CHILDID_SELF);
    Notify(m_top, OBJID_CARET, CHILDID_SELF);
    Notify(m_top, OBJID_VSCROLL, CHILDID_SELF);
    Notify(m_top, OBJID_WINDOW, 1);
    EXPECT_TRUE(Take().empty());
    m_helper.Show(m_top);
    m_helper.Hide(m_top);
    EXPECT_EQ(Take(), (Posted{{m_top, 0}, {m_top, 1}}));
}

TEST_F(HookLibrary, ASecondHookReplacesTheFirstAndUnhookReportsWhetherOneWasThere)
{
    EXPECT_EQ(PV_Unhook(), FALSE);
    ASSERT_NE(Hook(), nullptr);
    ASSERT_NE(Hook(), nullptr);
    m_helper.Show(m_top);
    EXPECT_EQ(Take(), (Posted{{m_top, 0}}));
    EXPECT_NE(PV_Unhook(), FALSE);
    m_helper.Hide(m_top);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(PV_Unhook(), FALSE);
}

} // namespace
