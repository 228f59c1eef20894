#include "AppFrames.h"

#include <cwchar>

#include "ProcessImage.h"

bool IsAppFrameHost(const wchar_t* programPath)
{
    const wchar_t* name = wcsrchr(programPath, L'\\');
    name = name ? name + 1 : programPath;
    return CompareStringOrdinal(name, -1, L"ApplicationFrameHost.exe", -1, TRUE) == CSTR_EQUAL;
}

DWORD FindFramedApp(HWND frame, DWORD hostProcessId)
{
    for (HWND child = FindWindowExW(frame, nullptr, nullptr, nullptr); child;
         child = FindWindowExW(frame, child, nullptr, nullptr)) {
        DWORD processId = 0;
        GetWindowThreadProcessId(child, &processId);
        if (processId && processId != hostProcessId)
            return processId;
    }
    return 0;
}

void GetWindowProgramPath(HWND window, wchar_t (&path)[kPathCapacity])
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    GetProcessImagePath(processId, path);
    if (!IsAppFrameHost(path))
        return;
    wchar_t app[kPathCapacity] = {};
    GetProcessImagePath(FindFramedApp(window, processId), app);
    if (app[0])
        wmemcpy(path, app, kPathCapacity);
}

DWORD AppFrameCache::AppOf(HWND frame, DWORD hostProcessId)
{
    {
        CriticalSection::Lock lock(m_lock);
        for (const Entry& entry : m_entries) {
            if (entry.frame == frame && entry.host == hostProcessId
                && (entry.app || GetTickCount() - entry.lookedAt < kEmptyRetryMilliseconds))
                return entry.app;
        }
    }
    const DWORD app = FindFramedApp(frame, hostProcessId);
    CriticalSection::Lock lock(m_lock);
    Entry* slot = nullptr;
    for (Entry& entry : m_entries)
        if (entry.frame == frame)
            slot = &entry;
    if (!slot) {
        slot = &m_entries[m_next];
        m_next = (m_next + 1) % kCapacity;
    }
    *slot = Entry{frame, hostProcessId, app, GetTickCount()};
    return app;
}

void AppFrameCache::Clear()
{
    CriticalSection::Lock lock(m_lock);
    for (Entry& entry : m_entries)
        entry = Entry{};
}
