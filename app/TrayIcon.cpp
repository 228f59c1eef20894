#include "TrayIcon.h"

#include <cstring>

#include "Messages.h"
#include "WinApp.h"
#include "resource.h"

namespace {

void CopyResString(UINT id, wchar_t* buffer, size_t capacity)
{
    lstrcpynW(buffer, LoadResString(id).c_str(), static_cast<int>(capacity));
}

}  // namespace

TrayIcon::TrayIcon() : m_taskbarCreatedMessage(RegisterWindowMessageW(L"TaskbarCreated"))
{
    std::memset(&m_data, 0, sizeof m_data);
    m_data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    m_data.uID = 0;
    // NIF_INFO on every add and modify: the balloon shows each time.
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    m_data.uCallbackMessage = RegisterWindowMessageW(L"WM_PV_TRAY");
    m_data.hIcon = LoadIconW(GetResourceInstance(), MAKEINTRESOURCEW(IDI_PANEVEIL));
    lstrcpynW(m_data.szTip, L"Paneveil", ARRAYSIZE(m_data.szTip));
    CopyResString(IDS_TRAY_BALLOON, m_data.szInfo, ARRAYSIZE(m_data.szInfo));
    CopyResString(IDS_TRAY_RUNNING, m_data.szInfoTitle, ARRAYSIZE(m_data.szInfoTitle));
    m_data.dwInfoFlags = NIIF_INFO;
}

TrayIcon::~TrayIcon()
{
    if (m_wanted)
        Update(m_data.hWnd, true);
}

void TrayIcon::Update(HWND owner, bool remove)
{
    m_data.hWnd = owner;
    m_wanted = !remove;
    if (remove) {
        Shell_NotifyIconW(NIM_DELETE, &m_data);
        return;
    }
    // Modify first: the icon may exist already; add when it does not (or Explorer restarted).
    if (!Shell_NotifyIconW(NIM_MODIFY, &m_data))
        Shell_NotifyIconW(NIM_ADD, &m_data);
}

bool TrayIcon::OnTaskbarCreated(UINT message)
{
    if (message != m_taskbarCreatedMessage || message == 0)
        return false;
    // A restarted Explorer has forgotten every icon; without ours a hidden window could only be
    // reached by starting the program again.
    if (m_wanted)
        Update(m_data.hWnd, false);
    return true;
}
