#pragma once
#include <windows.h>
#include <string>

// A string resource of the application's module; empty when it does not exist.
std::wstring LoadResString(UINT id);

// Every "%1" in `text` replaced by `argument` (and "%2" by `second`, for the framework's own
// two-argument validation message).
std::wstring ReplaceArguments(std::wstring text, const std::wstring& argument,
    const std::wstring* second = nullptr);

// The one-argument resource formatting: string `id` with every "%1" replaced.
std::wstring FormatResString(UINT id, const std::wstring& argument);
// The same with "%2" too.
std::wstring FormatResString(UINT id, const std::wstring& first, const std::wstring& second);

// The system's text for an error code (GetLastError's), on one line; the code itself when the
// system has no text for it.
std::wstring SystemErrorText(DWORD error);

// The application's message box: its caption is the application name; the owner is the
// active window of this thread, else the main window.
int AppMessageBox(const std::wstring& text, UINT type = MB_OK);
int AppMessageBox(UINT stringId, UINT type = MB_OK);
