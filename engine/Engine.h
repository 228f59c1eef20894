#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "AppFrames.h"
#include "DataFile.h"
#include "FilterList.h"
#include "HungWindowGate.h"
#include "ProcessPathCache.h"
#include "Settings.h"
#include "UniqueHandle.h"
#include "WheelGesture.h"


// The autostart value: the program path (quoted when it has a blank), a blank and /b.
constexpr size_t kAutoStartValueCapacity = 2 + (kPathCapacity - 1) + 3 + 1;

// Builds the autostart value for `programPath`; false (and `value` empty) when the path is empty
// or too long for a full path.
bool BuildAutoStartValue(const wchar_t* programPath, wchar_t (&value)[kAutoStartValueCapacity]);

// Milliseconds between two sweeps in safe mode.
constexpr UINT kSafeModeTimerPeriod = 100;

// Keeps every top-level window at the transparency the settings and filters ask for, in hook
// mode (PVDLL posts shown and hidden windows to a worker thread) or in safe mode (a timer on the
// calling thread sweeps all windows). Every operation runs on the user-interface thread.
class Engine {
public:
    // The pages read and write these two directly, then call ApplySettings.
    Settings settings;
    FilterList filters;

    // Without a path, the data file is Documents\Kestro\Paneveil\Paneveil.dat.
    explicit Engine(const wchar_t* dataFile = nullptr);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    bool LoadDataFile() { return LoadDataFile(0) == DataFileRead::Loaded; }
    // Waits for a file that is there but unreadable (see ReadDataFile).
    DataFileRead LoadDataFile(DWORD waitMilliseconds);
    bool SaveDataFile();
    const wchar_t* DataFilePath() const { return dataFilePath; }
    // After a load that found the file damaged: what was kept, and where the damaged bytes went.
    // The copy is made before the first save, at the latest; a save that cannot make it fails,
    // so that the damaged file is never written over.
    struct Damage {
        bool found = false;
        bool settingsKept = false;
        size_t filtersKept = 0;
        std::wstring copy;   // empty until the copy is made
        bool copyPending = false;
    };
    const Damage& DataFileDamage() const { return m_damage; }
    bool KeepDamagedDataFile();
    // The system's reason of the last load or save that failed.
    DWORD DataFileError() const { return m_dataFileError; }

    bool Start();
    bool Stop();
    bool IsRunning() const;
    // The result of the save. When the autostart value cannot be written (or deleted), autoStart
    // is turned back before the save, so that it says what the next log-on will do.
    bool ApplySettings(bool restartEngine, bool updateAutoStart, bool reapplyWindows);
    // After a resume from sleep, a session unlock, a change of the displays, a new taskbar: windows
    // that other programs re-created or changed meanwhile get their transparency, and the window
    // in front is judged against the monitors as they are now. `hookMayBeGone` (after a resume or
    // an unlock) sets the wheel's hook again.
    void OnSystemChange(bool hookMayBeGone);
    // For a crash of the program: unhooks and freezes every engine thread but the caller (the
    // user-interface thread, the worker, the hook's thread, the gate's helpers), so that no
    // window is made translucent behind a last restore. Waits for nothing.
    void HaltForCrash();

    // Called on the user-interface thread when the wheel gesture has changed the filters, and
    // with the result of the save that follows once the wheel rests.
    std::function<void()> filtersChanged;
    std::function<void(bool saved)> wheelSaved;

    bool SweepWindows(bool restore);
    // True if the window was changed or already had the wanted alpha; false if left alone.
    bool ProcessWindow(HWND window, bool restore);
    // `named`: a filter names the window, which then takes it also where its own program keeps it
    // translucent or lets the mouse pass through it.
    bool SetWindowTransparency(HWND window, uint8_t percentage, bool named = true);

private:
    friend class EngineProbe;   // the tests look at the worker thread

    static DWORD WINAPI WorkerThreadProc(LPVOID parameter);
    static void CALLBACK SafeModeTimerProc(HWND, UINT, UINT_PTR, DWORD);
    static DWORD WINAPI HookThreadProc(LPVOID parameter);
    static BOOL CALLBACK EnumWindowsProc(HWND window, LPARAM parameter);
    void EndHookThread();
    HungWindowGate* Gate();
    struct WindowOwner {
        DWORD process;
        DWORD thread;
    };
    bool ProcessWindow(HWND window, bool restore, WindowOwner owner, const wchar_t* className);
    bool SetWindowTransparency(HWND window, uint8_t percentage, bool named, DWORD windowThread);
    bool WriteAutoStartValue();
    // The window that came to the front is restored, the one left behind gets its alpha again.
    void OnForeground(HWND window);
    bool IsKeptOpaque(HWND window, const wchar_t* className) const;
    // The program path of the window's process, or of the Store app inside a frame of the host;
    // `beyondReach` as ProcessPathCache::Lookup says it of the window's own process.
    void ProgramPathOf(HWND window, DWORD processId, wchar_t (&path)[kPathCapacity], bool* beyondReach = nullptr);
    static LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateNotifyWindow();
    // The wheel's hook is set while the wheel's option or hoverOpaque is on and the engine runs.
    void UpdateWheelHook();
    // Windows drops a low-level hook without telling the first time its procedure takes longer
    // than the system's limit, which heavy paging can cause however fast the procedure is.
    void RenewWheelHook();
    void OnWheel(HWND underMouse, int wheelDelta);
    // The hook's thread tells the top-level window the mouse rests on (null: none).
    void OnHover(HWND window);
    void OnWheelRest();
    void CancelWheelSave();
    void SaveAfterWheel();

    wchar_t dataFilePath[kPathCapacity] = {};
    DWORD m_dataFileError = ERROR_SUCCESS;
    Damage m_damage;
    UINT windowMessage = 0;                        // "WM_PANEVEIL", posted by PVDLL
    std::atomic<HANDLE> workerThread{nullptr};     // owned by whichever side exchanges it out
    DWORD workerThreadId = 0;                      // 0 unless hook mode runs
    UINT_PTR safeModeTimer = 0;                    // 0 unless safe mode runs
    UniqueKernelHandle m_workerReady;              // set by the worker once its message queue exists
    // The hook is set and removed by a thread that does nothing but pump messages: the system
    // delivers the events of programs it cannot load PVDLL into (64-bit ones) on the thread that
    // set the hook, while it retrieves messages.
    UniqueKernelHandle m_hookThread;
    DWORD m_hookThreadId = 0;
    UniqueKernelHandle m_hookReady;                // set by the hook's thread once it has hooked
    UniqueKernelHandle m_uiThread;                 // the thread that called Start, for HaltForCrash
    ProcessPathCache m_programPaths;
    AppFrameCache m_appFrames;
    // What never changes in a window's life, kept from one safe-mode sweep to the next, so that a
    // sweep asks each window only what can change. Only the sweeping thread uses it.
    struct SweptWindow {
        WindowOwner owner;
        DWORD sweep;
        std::wstring className;
    };
    std::unordered_map<HWND, SweptWindow> m_sweptWindows;
    DWORD m_sweepNumber = 0;
    // Replaced after a worker had to be terminated: it may have died holding the gate's lock.
    std::unique_ptr<HungWindowGate> m_hungWindows;
    std::atomic<HWND> m_front{nullptr};   // the top-level window in front, as last seen
    std::atomic<HWND> m_hovered{nullptr}; // the top-level window the mouse rests on, as last told
    HWND m_notifyWindow = nullptr;         // of the user-interface thread: the wheel's posts, the save's timer
    WheelHook m_wheelHook;
    bool m_wheelSavePending = false;
    HWND m_wheelWindow = nullptr;          // of the gesture that has not rested yet
    WheelTurn m_wheelTurn;
};
