#include "HelperProcess.h"

HelperProcess::HelperProcess(const std::wstring& program, bool limited)
{
    m_process.reset(StartProcess(L"\"" + program + L"\"", 0, limited));
    const std::wstring name = std::to_wstring(GetProcessId(m_process.get()));
    // A new Wine process can take seconds to come up on a loaded machine.
    WaitFor([&] { return (m_window = FindWindowExW(HWND_MESSAGE, nullptr, L"PvHelperCommands", name.c_str())); }, 20000);
}

HelperProcess::~HelperProcess()
{
    PostMessageW(m_window, WM_CLOSE, 0, 0);
    if (m_process && WaitForSingleObject(m_process.get(), 5000) == WAIT_TIMEOUT)
        TerminateProcess(m_process.get(), 1);
}

LRESULT HelperProcess::Command(const std::wstring& line)
{
    COPYDATASTRUCT data{0, DWORD(line.size() * sizeof(wchar_t)), const_cast<wchar_t*>(line.data())};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(m_window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 30000, &result);
    return LRESULT(result);
}

HWND HelperProcess::Create(const std::wstring& className, const std::wstring& title, const wchar_t* option)
{
    return reinterpret_cast<HWND>(Command(L"create\t" + className + L"\t" + title + L"\t" + option));
}

bool HelperProcess::WaitForAlpha(HWND window, int alpha, DWORD timeoutMilliseconds)
{
    return WaitFor([&] { return Alpha(window) == alpha; }, timeoutMilliseconds);
}

long long HelperProcess::ShowAndWait(HWND window, int alpha, DWORD timeoutMilliseconds)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    const DWORD shown = DWORD(Command(L"show\t" + Argument(window)));
    if (!WaitForAlpha(window, alpha, timeoutMilliseconds))
        return -1;
    QueryPerformanceCounter(&now);
    // The helper's clock is this one; 32 bits of it last minutes, far longer than any wait here.
    return (now.LowPart - shown) * 1000000LL / frequency.QuadPart;
}
