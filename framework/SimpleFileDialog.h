#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

class Wnd;

// The platform's open or save-as dialog for one file.
class SimpleFileDialog {
public:
    // `filter` lists descriptions and patterns separated by "|", as in "Programs (*.exe)|*.exe||".
    // An initial file name longer than the buffer holds is cut.
    SimpleFileDialog(bool openFileDialog, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                     const wchar_t* filter, Wnd* parent);
    virtual ~SimpleFileDialog() = default;
    SimpleFileDialog(const SimpleFileDialog&) = delete;
    SimpleFileDialog& operator=(const SimpleFileDialog&) = delete;

    // 1 when a file was chosen; 0 when the dialog was cancelled or failed.
    virtual INT_PTR DoModal();
    std::wstring GetPathName() const { return m_fileBuffer; }

private:
    static constexpr size_t kBufferLength = 600;

    Wnd* m_parent;
    bool m_openFileDialog;
    wchar_t m_fileBuffer[kBufferLength] = {};
    std::wstring m_filter;
    OPENFILENAMEW m_ofn{};
};
