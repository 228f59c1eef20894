#pragma once
#include <windows.h>
#include <shellapi.h>

// The program's icon in the notification area, with its tooltip and "Paneveil is Running"
// balloon. It remembers whether it should be shown, so that it comes back after Explorer
// restarts, and it is removed when this object goes.
class TrayIcon {
public:
    TrayIcon();
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // remove = false adds the icon for `owner` or refreshes it (showing the balloon again);
    // remove = true deletes it.
    void Update(HWND owner, bool remove);
    // The message the shell sends `owner` for clicks on the icon.
    UINT CallbackMessage() const { return m_data.uCallbackMessage; }
    // True if `message` is the shell's broadcast after Explorer (re)started; the icon is then
    // added again if it should be shown.
    bool OnTaskbarCreated(UINT message);
    UINT TaskbarCreatedMessage() const { return m_taskbarCreatedMessage; }

private:
    NOTIFYICONDATAW m_data;
    UINT m_taskbarCreatedMessage;
    bool m_wanted = false;
};
