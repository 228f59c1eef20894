#include "SimpleFileDialog.h"

#include <algorithm>
#include <cwchar>

#include "Wnd.h"

SimpleFileDialog::SimpleFileDialog(bool openFileDialog, const wchar_t* defaultExtension, const wchar_t* fileName,
                                   DWORD flags, const wchar_t* filter, Wnd* parent)
    : m_parent(parent), m_openFileDialog(openFileDialog), m_filter(filter ? filter : L"")
{
    // The common dialog takes a list of strings ended by an empty one.
    std::replace(m_filter.begin(), m_filter.end(), L'|', L'\0');
    m_ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.lpstrFile = m_fileBuffer;
    m_ofn.nMaxFile = kBufferLength - 1;
    m_ofn.Flags = flags;
    m_ofn.lpstrDefExt = defaultExtension;
    if (fileName)
        wcsncpy(m_fileBuffer, fileName, kBufferLength - 1);
}

// The dialog leaves the process in the folder the user browsed to, which could then not be
// removed (a USB stick ejected) while the program runs: the folder it had is given back.
INT_PTR SimpleFileDialog::DoModal()
{
    if (m_parent)
        m_ofn.hwndOwner = m_parent->Handle();
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring current(length, L'\0');
    const bool known = length && GetCurrentDirectoryW(length, &current[0]) == length - 1;
    const BOOL chosen = m_openFileDialog ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
    if (known)
        SetCurrentDirectoryW(current.c_str());
    return chosen ? 1 : 0;
}
