// What is left of translucency once the program is gone: a crash restores the windows itself; a
// killed run cannot, and /restore does it afterwards.
#include "EndToEnd.h"

namespace {

// The crash comes from outside the program's code: a thread started at an invalid address. The
// process still ends as a crash, and its atom stays for the next start's safe-mode offer.
TEST_F(EndToEnd, ACrashRestoresTheWindowsAndStillEndsAsACrash)
{
    PaneveilProcess paneveil;
    ASSERT_NE(Start(paneveil, true), nullptr);
    UniqueKernelHandle thread(CreateRemoteThread(paneveil.Handle(), nullptr, 0,
                                                 reinterpret_cast<LPTHREAD_START_ROUTINE>(1), nullptr, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_TRUE(paneveil.WaitForExit());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(paneveil.Handle(), &code) && code == EXCEPTION_ACCESS_VIOLATION) << std::hex << code;
    const int alpha = m_helper.Alpha(m_target);
    EXPECT_TRUE(alpha == 255 || alpha == kOpaque) << alpha;
    EXPECT_TRUE(IsRunningAtomPresent());
}

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

    first.Kill(true);
    EXPECT_EQ(m_helper.Alpha(m_target), kAlpha40);
    ASSERT_TRUE(restore.Start(L"-x /restore"));
    ASSERT_TRUE(restore.WaitForExit());
    EXPECT_EQ(m_helper.Alpha(m_target), kOpaque);
    EXPECT_TRUE(IsRunningAtomPresent());
}

}  // namespace
