#pragma once
#include <cstdint>
#include <string>

// What a page asks of the window that holds it. The main window implements it; a page gets it
// through its constructor and knows nothing else of that window.
class PageHost {
public:
    enum class NewPassword { Chosen, Cancelled, Failed };

    // The line along the bottom of the window.
    virtual void SetFooterText(const std::wstring& text) = 0;
    // The product's web page, opened in the user's browser.
    virtual void OpenWebSite() = 0;
    // remove = false adds the tray icon or refreshes it; true deletes it.
    virtual void UpdateTrayIcon(bool remove) = 0;
    // The stored hotkey in place of the one registered before. False when the system refuses it
    // (another program holds the combination); the one registered before then stays.
    virtual bool RegisterToggleHotkey() = 0;
    // The Global page's slider ranged for the super-trans mode, its position applied anew.
    virtual void UpdateGlobalSlider() = 0;
    // Asks for a new password, twice; its digest when Chosen. Failed: the digest could not be
    // made, and nothing is to be stored.
    virtual NewPassword AskForNewPassword(uint8_t (&digest)[16]) = 0;
    // Every change ends here with the result of Engine::ApplySettings. A failed save is told,
    // naming the data file and the system's reason, once for a run of failing saves: the next
    // failure after a save that worked is told again. The change itself holds in memory.
    virtual void ReportSave(bool saved) = 0;

protected:
    ~PageHost() = default;
};
