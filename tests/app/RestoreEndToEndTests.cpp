// What is left of translucency once the program is gone: a killed run's watchdog restores the
// windows, and /restore mends what a run left whose watchdog was ended too. (Crashes:
// EndsAndDamageEndToEndTests.cpp.)
#include "EndToEnd.h"

namespace {

// Beside a running instance /restore only asks for that one to be ended first; after a kill it
// makes the windows opaque without a word, not even the password or the safe-mode offer that an
// ordinary start would bring, and leaves that offer to the next ordinary start.
TEST_F(EndToEnd, RestoreSwitchWaitsForTheRunningInstanceThenMendsAKilledOne)
{
    WriteDataFile([](Settings& s) { ComputePasswordDigest(L"secret", s.passwordDigest); });
    PaneveilProcess first, asked, restore;
    ASSERT_NE(Start(first, true), nullptr);
    ASSERT_TRUE(asked.Start(L"/Restore"));
    EXPECT_EQ(AnswerBox(asked.MessageBox(), IDOK),
              L"Paneveil is running. Exit it from its tray icon first, then run Paneveil /restore again.");
    EXPECT_TRUE(asked.WaitForExit());
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha40);
    EXPECT_TRUE(first.IsRunning());

    // Its watchdog ended (as from the task manager), Paneveil goes on; killed then, it leaves the
    // windows translucent.
    ASSERT_EQ(first.Watchdogs(true).size(), 1u);
    const HWND later = m_helper.Create(L"PvEndToEndLater", L"Shown later");
    m_helper.Show(later);
    EXPECT_TRUE(m_helper.WaitForAlpha(later, kAlpha40));
    first.Kill(true);
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha40);
    ASSERT_TRUE(restore.Start(L"-x /restore"));
    ASSERT_TRUE(restore.WaitForExit());
    EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
    EXPECT_TRUE(IsRunningAtomPresent());
}

// Windows whose own program layered them: an overlay at 0 and a window at its own 200 are passed by,
// met by the start's sweep or shown again later; one layered at 255 is opaque and takes the global 40%; a
// filter (20%) reaches one at its own 220. A hide, Exit, and a kill followed by /restore give each
// back exactly what it had, still layered; only a window that Paneveil layered loses the style.
TEST_F(EndToEnd, WindowsTheirProgramLayeredKeepOrGetBackExactlyWhatTheyHad)
{
    WriteDataFile([](Settings&) {}, {{L"Own 220", 20}});
    const struct { const wchar_t* title; int own, running; } windows[] = {{L"overlay", 0, 0}, {L"own 200", 200, 200}, {L"own 255", 255, kAlpha40}, {L"Own 220", 220, kAlpha20}};
    std::vector<HWND> shown;
    for (const auto& w : windows) {
        shown.push_back(m_helper.Create(L"PvOwnLayered", w.title));
        Helper(L"layer", shown.back(), std::to_wstring(w.own));
        m_helper.Show(shown.back());
    }
    const auto expectAlphas = [&](bool running) {
        for (size_t i = 0; i < shown.size(); ++i) {
            const int alpha = running ? windows[i].running : windows[i].own;
            EXPECT_TRUE(m_helper.WaitForAlpha(shown[i], alpha)) << i << ": " << m_helper.Alpha(shown[i]) << " for " << alpha;
        }
    };
    for (const bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "kill, /restore" : "Exit");
        PaneveilProcess paneveil, restore;
        const HWND main = Start(paneveil, true);
        ASSERT_NE(main, nullptr);
        expectAlphas(true);
        // Met again by the hook: hidden, then shown while Paneveil runs.
        for (const bool show : {false, true}) {
            for (HWND window : shown)
                show ? m_helper.Show(window) : m_helper.Hide(window);
            ASSERT_TRUE(SyncTarget());
            expectAlphas(show);
        }
        if (kill) {
            paneveil.Kill();
            ASSERT_TRUE(restore.Start(L"/restore") && restore.WaitForExit());
        } else {
            Exit(main);
            ASSERT_TRUE(paneveil.WaitForExit());
        }
        expectAlphas(false);
        EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
    }
}

// What a program sets itself stays: an alpha of its own after Paneveil's, through /restore; an
// extended style, or per-pixel alpha, set while the engine waits for its thread, and that
// per-pixel alpha can still be updated.
TEST_F(EndToEnd, WhatAProgramSetsItselfIsKept)
{
    PaneveilProcess paneveil, restore;
    ASSERT_NE(Start(paneveil, true), nullptr);
    const HWND styled = m_helper.Create(L"PvBusy", L"styled"), perPixel = m_helper.Create(L"PvBusy", L"per-pixel");
    Helper(L"busy\t30", styled, L"toolwindow");
    Helper(L"busy\t30", perPixel, L"ulw");
    ASSERT_TRUE(SyncTarget());
    Helper(L"layer", m_target, L"180");
    EXPECT_EQ(m_helper.Alpha(styled), kAlpha40);
    EXPECT_TRUE(GetWindowLongW(styled, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(m_helper.Alpha(perPixel), -2);
    EXPECT_NE(m_helper.Command(L"ulw\t" + HelperProcess::Argument(perPixel)), 0);

    paneveil.Kill();
    ASSERT_TRUE(restore.Start(L"/restore") && restore.WaitForExit());
    EXPECT_EQ(m_helper.Alpha(m_target), 180);
    EXPECT_EQ(m_helper.Alpha(styled), kOpaque);
    EXPECT_TRUE(GetWindowLongW(styled, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_NE(m_helper.Command(L"ulw\t" + HelperProcess::Argument(perPixel)), 0);
}

}  // namespace
