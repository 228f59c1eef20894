#include <gtest/gtest.h>
#include <windows.h>

#include "EngineProbe.h"
#include "TestSupport.h"
#include "RunningAtom.h"

namespace {

int g_getTextCalls = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETTEXT)
        ++g_getTextCalls;
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// The worker reads the title of a window of this thread, which is a message to this thread.
// Stop must serve it while it waits; otherwise the worker never ends, is terminated after the
// time limit, and the message is never answered.
TEST(EngineStop, ServesTheWorkersMessagesToThisThreadWhileWaiting)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PvStopProbe";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    HWND window = CreateWindowExW(0, L"PvStopProbe", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    TempFolder folder;
    {
        Engine engine(folder.File(L"Paneveil.dat").c_str());
        ASSERT_TRUE(engine.Start());
        ASSERT_NE(EngineProbe::WorkerThreadId(engine), 0u);
        g_getTextCalls = 0;
        // Stands in for PVDLL's post about a window of this thread; no message is pumped here.
        ASSERT_TRUE(PostThreadMessageW(EngineProbe::WorkerThreadId(engine), EngineProbe::WindowMessage(engine),
                                       reinterpret_cast<WPARAM>(window), 0));
        engine.Stop();
        EXPECT_GE(g_getTextCalls, 1);
        EXPECT_EQ(EngineProbe::WorkerThread(engine), nullptr);
    }
    DestroyWindow(window);
    UnregisterClassW(L"PvStopProbe", windowClass.hInstance);
    RemoveRunningAtom();
}

// PVDLL posts to the worker from the moment it is hooked, and a post that finds no message
// queue is lost: the queue must exist by the time Start returns.
TEST(EngineWorker, HasItsMessageQueueWhenStartReturns)
{
    TempFolder folder;
    Engine engine(folder.File(L"Paneveil.dat").c_str());
    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(engine.Start());
        EXPECT_TRUE(PostThreadMessageW(EngineProbe::WorkerThreadId(engine), WM_NULL, 0, 0)) << "round " << round;
        engine.Stop();
    }
    RemoveRunningAtom();
}
