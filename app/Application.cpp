#include "Application.h"

#include <cwchar>

#include "HelpFile.h"
#include "MainWindow.h"
#include "Messages.h"
#include "RunningAtom.h"
#include "resource.h"

namespace {

constexpr wchar_t kInstanceName[] = L"Paneveil_Mutex";   // the mutex and the show request

Application g_application;

// "/b" or "/B" anywhere in the command-line tail (the part after the program path).
bool HasStartHiddenSwitch(const wchar_t* commandTail)
{
    return commandTail && (wcsstr(commandTail, L"/b") || wcsstr(commandTail, L"/B"));
}

}  // namespace

Application& TheApp()
{
    return g_application;
}

Application::Application() : hiddenFont(ReadHiddenFontOverride())
{
}

Application::~Application() = default;

void Application::BuildUiFont()
{
    uiFont.reset();
    uiFont.CreateIndirect(ComposeUiFont(hiddenFont));
}

void Application::OfferSafeMode()
{
    if (!IsRunningAtomPresent())
        return;
    if (AppMessageBox(IDS_SAFE_MODE_OFFER, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    RemoveRunningAtom();
    engine.settings.safeMode = 1;
    engine.SaveDataFile();
}

bool Application::InitInstance()
{
    const bool startHidden = HasStartHiddenSwitch(GetCommandLineTail());

    SetLastError(ERROR_SUCCESS);
    m_instanceMutex.reset(CreateMutexW(nullptr, FALSE, kInstanceName));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (!startHidden)
            PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(kInstanceName), 0, 0);
        return false;
    }

    SetAppName(L"Paneveil");
    largeIcon.reset(static_cast<HICON>(
        LoadImageW(GetInstance(), MAKEINTRESOURCEW(IDI_PANEVEIL), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR)));
    handCursor = LoadCursorW(nullptr, IDC_HAND);
    engine.LoadDataFile();
    BuildUiFont();
    OfferSafeMode();
    sessionEnding = false;

    // Its destructor removes the tray icon and destroys the window, on every way out.
    MainWindow mainWindow;
    SetMainWnd(&mainWindow);
    if (!mainWindow.Create())
        return false;

    if (!startHidden) {
        if (!mainWindow.CheckPassword())
            return false;
        ShowWindow(mainWindow.Handle(), SW_SHOWNORMAL);
    }

    engine.Start();

    // Never MLF_SHOWONIDLE: a window started hidden stays hidden.
    mainWindow.RunModalLoop((mainWindow.GetStyle() & DS_NOIDLEMSG) ? DWORD{MLF_NOIDLEMSG} : DWORD{0});
    return false;
}

void Application::WinHelp(DWORD, UINT)
{
    OpenHelpFile();
}
