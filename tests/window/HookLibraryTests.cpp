#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "HelperProcess.h"
#include "PVDLL.h"

namespace {

using Posted = std::pair<HWND, LPARAM>;

// A thread that collects what PVDLL posts to it. (The test thread pumps its own queue while it
// waits for the helper, so it cannot be the receiver.)
class Receiver {
public:
    Receiver()
    {
        m_thread = CreateThread(nullptr, 0, ThreadProc, this, 0, &m_threadId);
        WaitForSingleObject(m_ready, 5000);
    }
    ~Receiver()
    {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
        CloseHandle(m_ready);
        CloseHandle(m_flushed);
    }
    DWORD ThreadId() const { return m_threadId; }
    UINT Message() const { return m_message; }

    // Everything posted so far: the in-context hook posts from inside the helper's
    // NotifyWinEvent, so once a helper command has returned its messages are queued, ahead of
    // the flush request.
    std::vector<Posted> Take()
    {
        PostThreadMessageW(m_threadId, kFlush, 0, 0);
        WaitForSingleObject(m_flushed, 5000);
        std::vector<Posted> posted;
        posted.swap(m_posted);
        return posted;
    }

private:
    static constexpr UINT kFlush = WM_APP + 7;

    static DWORD WINAPI ThreadProc(LPVOID parameter)
    {
        auto* self = static_cast<Receiver*>(parameter);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        SetEvent(self->m_ready);
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == self->m_message)
                self->m_posted.emplace_back(reinterpret_cast<HWND>(msg.wParam), msg.lParam);
            else if (msg.message == kFlush)
                SetEvent(self->m_flushed);
        }
        return 0;
    }

    const UINT m_message = RegisterWindowMessageW(L"PV_TEST_HOOK");
    HANDLE m_ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE m_flushed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::vector<Posted> m_posted;   // touched by the receiver only between two flushes
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
};

class HookLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        PV_Unhook();
        ASSERT_TRUE(m_helper.IsRunning());
        m_top = m_helper.Create("PvHookTest", "hook test");
        ASSERT_NE(m_top, nullptr);
    }
    void TearDown() override
    {
        PV_Unhook();
        m_helper.Destroy(m_top);
    }

    HWINEVENTHOOK Hook() { return PV_Hook(m_receiver.ThreadId(), m_receiver.Message()); }
    std::vector<Posted> TakePosted() { return m_receiver.Take(); }

    void Notify(HWND window, LONG object, LONG child)
    {
        m_helper.Command("notify\t" + WindowArgument(window) + "\t" + std::to_string(EVENT_OBJECT_SHOW) +
                         "\t" + std::to_string(object) + "\t" + std::to_string(child));
    }

    Receiver m_receiver;
    HelperProcess m_helper;
    HWND m_top = nullptr;
};

TEST_F(HookLibrary, PostsOneMessagePerTopLevelShowOrHide)
{
    HWND child = m_helper.Child(m_top);
    ASSERT_NE(child, nullptr);
    ASSERT_NE(Hook(), nullptr);

    // Events about parts of a window, or about child windows, post nothing.
    Notify(child, OBJID_WINDOW, CHILDID_SELF);
    Notify(m_top, OBJID_CARET, CHILDID_SELF);
    Notify(m_top, OBJID_VSCROLL, CHILDID_SELF);
    Notify(m_top, OBJID_WINDOW, 1);
    EXPECT_TRUE(TakePosted().empty());

    m_helper.Show(m_top);
    m_helper.Hide(m_top);
    EXPECT_EQ(TakePosted(), (std::vector<Posted>{{m_top, 0}, {m_top, 1}}));
}

TEST_F(HookLibrary, ASecondHookReplacesTheFirst)
{
    ASSERT_NE(Hook(), nullptr);
    ASSERT_NE(Hook(), nullptr);
    m_helper.Show(m_top);
    EXPECT_EQ(TakePosted(), (std::vector<Posted>{{m_top, 0}}));

    EXPECT_NE(PV_Unhook(), FALSE);
    m_helper.Hide(m_top);
    EXPECT_TRUE(TakePosted().empty());
}

TEST_F(HookLibrary, UnhookWithoutAHookReturnsZero)
{
    EXPECT_EQ(PV_Unhook(), FALSE);
    ASSERT_NE(Hook(), nullptr);
    EXPECT_NE(PV_Unhook(), FALSE);
    EXPECT_EQ(PV_Unhook(), FALSE);
}

} // namespace
