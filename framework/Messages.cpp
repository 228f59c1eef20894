#include "Messages.h"

#include "WinApp.h"
#include "Wnd.h"

std::wstring LoadResString(UINT id)
{
    // With a zero length LoadStringW hands back a pointer into the resource itself, so no
    // buffer size has to be guessed.
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetResourceInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text)
        return std::wstring();
    return std::wstring(text, size_t(length));
}

std::wstring ReplaceArguments(std::wstring text, const std::wstring& argument, const std::wstring* second)
{
    std::wstring result;
    result.reserve(text.size() + argument.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size()) {
            if (text[i + 1] == L'1') {
                result += argument;
                ++i;
                continue;
            }
            if (second && text[i + 1] == L'2') {
                result += *second;
                ++i;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

std::wstring FormatResString(UINT id, const std::wstring& argument)
{
    return ReplaceArguments(LoadResString(id), argument);
}

std::wstring FormatResString(UINT id, const std::wstring& first, const std::wstring& second)
{
    return ReplaceArguments(LoadResString(id), first, &second);
}

std::wstring SystemErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length && text ? std::wstring(text, length) : L"Error " + std::to_wstring(error) + L".";
    LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' '))
        result.pop_back();
    return result;
}

int AppMessageBox(const std::wstring& text, UINT type)
{
    WinApp* app = WinApp::Current();
    HWND owner = GetActiveWindow();
    if (!owner && app && app->GetMainWnd())
        owner = app->GetMainWnd()->Handle();
    const wchar_t* caption = app ? app->GetAppName().c_str() : nullptr;
    return MessageBoxW(owner, text.c_str(), caption, type);
}

int AppMessageBox(UINT stringId, UINT type)
{
    return AppMessageBox(LoadResString(stringId), type);
}
