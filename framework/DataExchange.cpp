#include "DataExchange.h"

#include "Dialog.h"
#include "Messages.h"

#include <cwctype>

HWND DataExchange::PrepareControl(UINT id)
{
    m_lastControl = m_dialog->GetDlgItem(id);
    wchar_t className[16] = {};
    GetClassNameW(m_lastControl, className, 16);
    m_lastIsEdit = lstrcmpiW(className, L"Edit") == 0;
    return m_lastControl;
}

void DataExchange::Fail(const std::wstring& message)
{
    if (m_failed)
        return;
    m_failed = true;
    AppMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    if (m_lastControl) {
        SetFocus(m_lastControl);
        if (m_lastIsEdit)
            ::SendMessageW(m_lastControl, EM_SETSEL, 0, -1);
    }
}

void DataExchange::Control(UINT id, Wnd& control)
{
    if (m_failed)
        return;
    HWND window = PrepareControl(id);
    if (!control.Handle())
        control.SubclassWindow(window);
}

void DataExchange::Text(UINT id, std::wstring& value)
{
    if (m_failed)
        return;
    HWND control = PrepareControl(id);
    if (!m_saving) {
        ::SetWindowTextW(control, value.c_str());
        return;
    }
    int length = GetWindowTextLengthW(control);
    std::wstring text(size_t(length) + 1, L'\0');
    int copied = ::GetWindowTextW(control, text.data(), length + 1);
    text.resize(size_t(copied > 0 ? copied : 0));
    value = text;
    // Passwords pass through here too: the copy is wiped before its memory is freed.
    SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
}

void DataExchange::Text(UINT id, BYTE& value)
{
    if (m_failed)
        return;
    HWND control = PrepareControl(id);
    if (!m_saving) {
        ::SetWindowTextW(control, std::to_wstring(value).c_str());
        return;
    }
    int length = GetWindowTextLengthW(control);
    std::wstring text(size_t(length) + 1, L'\0');
    text.resize(size_t(::GetWindowTextW(control, text.data(), length + 1)));
    unsigned long number = 0;
    if (!ParseUnsigned(text, 255, &number)) {
        Fail(LoadResString(kParseByteMessage));
        return;
    }
    value = BYTE(number);
}

void DataExchange::MinMax(BYTE value, BYTE minimum, BYTE maximum)
{
    if (m_failed || !m_saving)
        return;
    if (value < minimum || value > maximum) {
        std::wstring low = std::to_wstring(minimum), high = std::to_wstring(maximum);
        Fail(ReplaceArguments(LoadResString(kParseIntRangeMessage), low, &high));
    }
}

void DataExchange::MaxChars(const std::wstring& value, int maximum)
{
    if (m_failed)
        return;
    if (!m_saving) {
        if (m_lastControl && m_lastIsEdit)
            ::SendMessageW(m_lastControl, EM_LIMITTEXT, WPARAM(maximum), 0);
        return;
    }
    if (value.size() > size_t(maximum))
        Fail(FormatResString(kParseStringSizeMessage, std::to_wstring(maximum)));
}

bool ParseUnsigned(const std::wstring& text, unsigned long maximum, unsigned long* value)
{
    size_t i = 0, end = text.size();
    while (i < end && std::iswspace(text[i]))
        ++i;
    while (end > i && std::iswspace(text[end - 1]))
        --end;
    if (i == end)
        return false;
    unsigned long number = 0;
    for (; i < end; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        number = number * 10 + unsigned(text[i] - L'0');
        // Checked digit by digit, so a long run of digits cannot wrap around.
        if (number > maximum)
            return false;
    }
    *value = number;
    return true;
}
