#include "Application.h"

#include <shellapi.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cwchar>

#include "DataFileReport.h"
#include "FilterTextCommand.h"
#include "HelpFile.h"
#include "MainWindow.h"
#include "MessageFilter.h"
#include "Messages.h"
#include "RemoteCommand.h"
#include "RunningAtom.h"
#include "WindowAlpha.h"
#include "resource.h"

namespace {

constexpr int kExitDataFileUnreadable = 3;   // as /export and /import when a file fails

Application g_application;

// "/b" or "/B" anywhere in the command-line tail (the part after the program path).
bool HasStartHiddenSwitch(const wchar_t* commandTail)
{
    return commandTail && (wcsstr(commandTail, L"/b") || wcsstr(commandTail, L"/B"));
}

// "/restore" as an argument of its own, in any letter case (unlike "/b", which may begin a
// longer word).
bool HasRestoreSwitch(const wchar_t* commandLine)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments)
        return false;
    bool found = false;
    // The first argument is the program.
    for (int i = 1; i < count && !found; ++i)
        found = _wcsicmp(arguments[i], L"/restore") == 0;
    LocalFree(arguments);
    return found;
}

constexpr UINT kCrashExitCode = 3;   // what abort ends with

// A crash ends the process as a crash, but not before the windows it made translucent have their
// old alpha back (the style stays until the watchdog, the next start or /restore takes it:
// changing it would wait for other programs). A second crash, inside this, goes straight on.
void RestoreForCrash()
{
    static std::atomic_flag s_entered = ATOMIC_FLAG_INIT;
    if (!s_entered.test_and_set()) {
        TheApp().engine.HaltForCrash();
        RestoreMarkedWindowsWithoutWaiting();
    }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS*)
{
    RestoreForCrash();
    return EXCEPTION_CONTINUE_SEARCH;
}

// The ends that never reach the exception filter: abort, and so std::terminate (whose handler
// aborts; also after a pure virtual call or a failed allocation, which the product does not
// catch), and an invalid argument to the C runtime.
[[noreturn]] void EndAfterCrash()
{
    RestoreForCrash();
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    std::_Exit(kCrashExitCode);
}

void OnAbortSignal(int)
{
    EndAfterCrash();
}

void __cdecl OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t)
{
    EndAfterCrash();
}

void RouteCrashesToTheRestore()
{
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::signal(SIGABRT, OnAbortSignal);
    // Looked up: not every msvcrt.dll has it (Wine's has not, and goes on after an invalid argument).
    using Handler = void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t);
    if (const HMODULE runtime = GetModuleHandleW(L"msvcrt.dll")) {
        if (auto set = reinterpret_cast<Handler(__cdecl*)(Handler)>(
                reinterpret_cast<void*>(GetProcAddress(runtime, "_set_invalid_parameter_handler"))))
            set(OnInvalidParameter);
    }
}

// The program's own folder as the current one: the process then holds no folder the user might
// want to remove (the one it was started from, a USB stick).
void EnterProgramFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    wchar_t* slash = length && length <= MAX_PATH ? wcsrchr(path, L'\\') : nullptr;
    if (slash) {
        slash[1] = L'\0';
        SetCurrentDirectoryW(path);
    }
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
    ReportSave(engine.SaveDataFile());
}

void Application::ReportSave(bool saved)
{
    if (saved) {
        m_saveFailureTold = false;
        return;
    }
    if (m_saveFailureTold)
        return;
    // Set first: a change made while the box is open must not open a second one.
    m_saveFailureTold = true;
    AppMessageBox(FormatResString(IDS_SAVE_FAILED, engine.DataFilePath(), SystemErrorText(engine.DataFileError())),
                  MB_OK | MB_ICONEXCLAMATION);
}

HFONT Application::GetUiFontForDpi(UINT dpi)
{
    for (const auto& [fontDpi, font] : m_dpiFonts) {
        if (fontDpi == dpi)
            return font.get();
    }
    Font font;
    if (!font.CreateIndirect(ComposeUiFont(hiddenFont, dpi)))
        return uiFont.get();
    m_dpiFonts.emplace_back(dpi, std::move(font));
    return m_dpiFonts.back().second.get();
}

bool Application::InitInstance()
{
    if (Watchdog::IsRequested(GetCommandLineW())) {
        m_exitCode = Watchdog::Run(GetCommandLineW(), engine);
        return false;
    }
    const bool restoreOnly = HasRestoreSwitch(GetCommandLineW());
    const bool startHidden = HasStartHiddenSwitch(GetCommandLineTail());

    SetAppName(L"Paneveil");
    // Before the mutex: a switch, an export or an import beside a running instance must not take
    // its place, and one without must not keep an ordinary start meanwhile from becoming the
    // first instance.
    FilterTextCommand filterText(GetCommandLineW());
    RemoteCommand remote(GetCommandLineW());
    if (filterText.IsRequested() || remote.IsRequested()) {
        BuildUiFont();   // for the password prompt
        m_exitCode = filterText.IsRequested() ? filterText.Run(engine) : remote.Run(engine);
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    m_instanceMutex.reset(CreateMutexW(nullptr, FALSE, kInstanceName));
    // An instance started as administrator holds a mutex that an ordinary start may not open.
    const DWORD mutexError = GetLastError();
    if (mutexError == ERROR_ALREADY_EXISTS || mutexError == ERROR_ACCESS_DENIED) {
        // The running instance would make the windows translucent again at once.
        if (restoreOnly)
            AppMessageBox(IDS_RESTORE_WHILE_RUNNING, MB_OK | MB_ICONEXCLAMATION);
        else if (!startHidden)
            PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(kInstanceName), 0, 0);
        return false;
    }
    // For windows a killed instance left translucent. Its atom stays: the next ordinary start
    // should still offer safe mode.
    if (restoreOnly) {
        engine.SweepWindows(true);
        return false;
    }

    // Only a first instance: halting the engine unhooks the hook library, whose state is shared.
    PrepareWindowRestore();
    RouteCrashesToTheRestore();
    EnterProgramFolder();
    // The hook library posts it from inside other programs to the worker, which has no window.
    AllowToProcessFromLowerPrograms(RegisterWindowMessageW(L"WM_PANEVEIL"));
    largeIcon.reset(static_cast<HICON>(
        LoadImageW(GetInstance(), MAKEINTRESOURCEW(IDI_PANEVEIL), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR)));
    handCursor = LoadCursorW(nullptr, IDC_HAND);
    // A file that is there but cannot be read holds the user's settings and filters, and maybe a
    // password: running on the defaults would lose them at the next save, and bypass the
    // password. Nothing starts, nothing is written, also with /b.
    if (engine.LoadDataFile(kDataFileWaitMilliseconds) == DataFileRead::Unreadable) {
        AppMessageBox(FormatResString(IDS_DATA_FILE_UNREADABLE, engine.DataFilePath(),
                                      SystemErrorText(engine.DataFileError())),
                      MB_OK | MB_ICONERROR);
        m_exitCode = kExitDataFileUnreadable;
        return false;
    }
    // Set aside at once, before any save could write over it; told once the engine runs.
    engine.KeepDamagedDataFile();
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

    // Whatever ends this process from now on, the windows come back.
    m_watchdog.Start();
    engine.Start();
    // Also with /b: a start at log-on must not lose a damaged file's contents silently.
    ReportDataFileDamage(engine);

    // Never MLF_SHOWONIDLE: a window started hidden stays hidden.
    mainWindow.RunModalLoop((mainWindow.GetStyle() & DS_NOIDLEMSG) ? DWORD{MLF_NOIDLEMSG} : DWORD{0});
    return false;
}

void Application::WinHelp(DWORD, UINT)
{
    OpenHelpFile();
}
