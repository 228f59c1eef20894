#pragma once
#include <windows.h>

#include "UniqueHandle.h"

class Engine;

// A second Paneveil.exe, started with the switch below, that outlives this one: when this process
// ends in any way other than its orderly shutdown (a kill, End task, a fail-fast, a crash the
// exception filter never sees), it gives every marked window back what it had, as /restore does,
// and ends. It holds no lock or file of Paneveil's, not the instance mutex, shows nothing and waits
// without using the processor. Ending it leaves Paneveil running.
class Watchdog {
public:
    Watchdog() = default;
    // The orderly shutdown: tells the watchdog and waits for it to end, so that nothing of the
    // program is in use once this process has gone (an uninstaller may follow at once).
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Starts the one watchdog of this process; later calls do nothing. False if it could not.
    bool Start();

    // Whether the command line asks this process to be a watchdog.
    static bool IsRequested(const wchar_t* commandLine);
    // The watchdog's whole life, restoring with `engine` if need be; its exit code.
    static int Run(const wchar_t* commandLine, Engine& engine);

private:
    UniqueKernelHandle m_process;   // the watchdog's
    UniqueKernelHandle m_orderly;   // set at the orderly shutdown
};
