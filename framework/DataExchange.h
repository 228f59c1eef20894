#pragma once
#include <windows.h>
#include <string>

class Dialog;
class Wnd;

// String resources of the standard validation messages, which the program's resource script
// must hold.
constexpr UINT kParseIntRangeMessage = 0xF112; // "Please enter an integer between %1 and %2."
constexpr UINT kParseStringSizeMessage = 0xF114; // "Please enter no more than %1 characters."
constexpr UINT kParseByteMessage = 0xF116; // "Please enter an integer between 0 and 255."

// One run of a dialog's data exchange, loading the controls from the members or saving them
// back. The first failing step shows its message with the exclamation icon, moves the focus to
// its control and fails the exchange; every later step then does nothing.
class DataExchange {
public:
    DataExchange(Dialog* dialog, bool saveAndValidate) : m_dialog(dialog), m_saving(saveAndValidate) {}

    bool IsSaving() const { return m_saving; }
    bool Failed() const { return m_failed; }

    // Binds template control `id` to `control` by subclassing it (once).
    void Control(UINT id, Wnd& control);
    // Text of control `id`.
    void Text(UINT id, std::wstring& value);
    // Control `id` as an unsigned decimal number of at most 255.
    void Text(UINT id, BYTE& value);

    // Validations of the value exchanged by the step before.
    void MinMax(BYTE value, BYTE minimum, BYTE maximum);
    // Loading limits the edit's text; saving refuses longer text.
    void MaxChars(const std::wstring& value, int maximum);

    // Shows a validation message for the last control and fails the exchange.
    void Fail(const std::wstring& message);

private:
    HWND PrepareControl(UINT id);

    Dialog* m_dialog;
    bool m_saving;
    bool m_failed = false;
    HWND m_lastControl = nullptr;
    bool m_lastIsEdit = false;
};

// Parses an unsigned decimal number, allowing blanks around it; false for anything else or
// for a value above `maximum`.
bool ParseUnsigned(const std::wstring& text, unsigned long maximum, unsigned long* value);
