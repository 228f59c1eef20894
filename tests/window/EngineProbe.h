#pragma once
#include "Engine.h"

// What the tests may see of the engine's worker thread and timer.
class EngineProbe {
public:
    static DWORD WorkerThreadId(const Engine& engine) { return engine.workerThreadId; }
    static HANDLE WorkerThread(const Engine& engine) { return engine.workerThread.load(); }
    static bool TimerRuns(const Engine& engine) { return engine.safeModeTimer != 0; }
    static UINT WindowMessage(const Engine& engine) { return engine.windowMessage; }
    static HANDLE HookThread(const Engine& engine) { return engine.m_hookThread.get(); }
    // Until the style changes handed to helpers have been made.
    static bool Settle(Engine& engine) { return engine.Gate()->Settle(3000); }
};
