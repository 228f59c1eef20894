#pragma once
#include <windows.h>

#include <utility>
#include <vector>

#include "Engine.h"
#include "GdiObjects.h"
#include "UiFont.h"
#include "UniqueHandle.h"
#include "Watchdog.h"
#include "WinApp.h"

using IconOwner = HandleOwner<HICON, DestroyIcon>;

// The one application object: start-up in InitInstance, the engine for the life of the process.
class Application : public WinApp {
public:
    Application();
    ~Application() override;

    bool InitInstance() override;
    int ExitInstance() override { return m_exitCode; }
    void WinHelp(DWORD data, UINT command) override;
    HFONT GetUiFont() const override { return uiFont.get(); }
    HFONT GetUiFontForDpi(UINT dpi) override;
    HCURSOR GetHandCursor() const override { return handCursor; }

    // Members go in reverse order: the font first, then the engine (which makes every window
    // opaque again), and only after the engine the instance mutex.
    HiddenFontOverride hiddenFont;
    bool sessionEnding = false;
    HCURSOR handCursor = nullptr;   // shared system cursor, not owned

private:
    // Its existence marks the running instance. A second start while the engine stops must still
    // find it: as a first instance of its own it would have its windows restored by this one.
    UniqueKernelHandle m_instanceMutex;
    int m_exitCode = 0;
    // Told of the orderly shutdown only after the engine has made the windows opaque: an end
    // before that is one the watchdog mends.
    Watchdog m_watchdog;

public:
    Engine engine;
    IconOwner largeIcon;
    Font uiFont;

    // The one place where a failed save is told: once for a run of failing saves, whichever
    // page or dialog made the change (see PageHost::ReportSave).
    void ReportSave(bool saved);

private:
    void BuildUiFont();
    void OfferSafeMode();

    bool m_saveFailureTold = false;
    // Fonts for monitors of other scales, made when a window first moves to one.
    std::vector<std::pair<UINT, Font>> m_dpiFonts;
};

// The program's application object.
Application& TheApp();
