#include "HelpFile.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

bool BuildHelpFilePath(wchar_t* path, size_t capacity)
{
    if (!path || capacity == 0)
        return false;
    path[0] = L'\0';
    const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(capacity));
    // A full buffer means a truncated path.
    if (length == 0 || length >= capacity) {
        path[0] = L'\0';
        return false;
    }
    wchar_t* slash = wcsrchr(path, L'\\');
    const size_t folderLength = slash ? static_cast<size_t>(slash - path) + 1 : 0;
    if (folderLength + wcslen(kHelpFileName) >= capacity) {
        path[0] = L'\0';
        return false;
    }
    wcscpy(path + folderLength, kHelpFileName);
    return true;
}

void OpenHelpFile()
{
    wchar_t path[MAX_PATH + 1];
    if (BuildHelpFilePath(path, MAX_PATH + 1))
        ShellExecuteW(nullptr, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL);
}
