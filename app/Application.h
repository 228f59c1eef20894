#pragma once
#include <windows.h>

#include "Engine.h"
#include "GdiObjects.h"
#include "UiFont.h"
#include "UniqueHandle.h"
#include "WinApp.h"

using IconOwner = HandleOwner<HICON, DestroyIcon>;

// The one application object: start-up in InitInstance, the engine for the life of the process.
class Application : public WinApp {
public:
    Application();
    ~Application() override;

    bool InitInstance() override;
    void WinHelp(DWORD data, UINT command) override;
    HFONT GetUiFont() const override { return uiFont.get(); }
    HCURSOR GetHandCursor() const override { return handCursor; }

    // Declaration order is destruction order in reverse: the font goes first, the engine (which
    // makes every window opaque again) after it.
    HiddenFontOverride hiddenFont;
    bool sessionEnding = false;
    HCURSOR handCursor = nullptr;   // shared system cursor, not owned
    Engine engine;
    IconOwner largeIcon;
    Font uiFont;

private:
    void BuildUiFont();
    void OfferSafeMode();

    // Held for the life of the process: its existence marks the running instance.
    UniqueKernelHandle m_instanceMutex;
};

// The program's application object.
Application& TheApp();
