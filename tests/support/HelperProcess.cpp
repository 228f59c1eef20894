#include "HelperProcess.h"

#include <cstdio>
#include <cstdlib>

namespace {

HWND WindowFromReply(const std::string& reply)
{
    if (reply.compare(0, 3, "ok ") != 0)
        return nullptr;
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(reply.c_str() + 3, nullptr, 10)));
}

} // namespace

std::string WindowArgument(HWND window)
{
    return std::to_string(reinterpret_cast<UINT_PTR>(window));
}

PipedProcess::PipedProcess(const std::wstring& commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr;
    if (!CreatePipe(&childInput, &m_input, &inherit, 0))
        return;
    if (!CreatePipe(&m_output, &childOutput, &inherit, 0)) {
        CloseHandle(childInput);
        return;
    }
    SetHandleInformation(m_input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(m_output, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    std::wstring mutableLine = commandLine;
    if (CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        m_process = info.hProcess;
    }
    CloseHandle(childInput);
    CloseHandle(childOutput);
}

PipedProcess::~PipedProcess()
{
    CloseInput();
    if (m_process) {
        if (WaitForSingleObject(m_process, 5000) == WAIT_TIMEOUT)
            TerminateProcess(m_process, 1);
        CloseHandle(m_process);
    }
    if (m_output)
        CloseHandle(m_output);
}

bool PipedProcess::Write(const std::string& text)
{
    DWORD written = 0;
    return m_input && WriteFile(m_input, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string PipedProcess::ReadLine()
{
    std::string line;
    for (;;) {
        DWORD available = 0;
        if (!m_output || !PeekNamedPipe(m_output, nullptr, 0, nullptr, &available, nullptr))
            return line;
        if (available == 0) {
            PumpMessages(1);
            continue;
        }
        char c;
        DWORD read = 0;
        if (!ReadFile(m_output, &c, 1, &read, nullptr) || read != 1 || c == '\n')
            return line;
        if (c != '\r')
            line += c;
    }
}

void PipedProcess::CloseInput()
{
    if (m_input) {
        CloseHandle(m_input);
        m_input = nullptr;
    }
}

bool PipedProcess::Kill()
{
    return m_process && TerminateProcess(m_process, 1) && WaitForEnd(5000);
}

bool PipedProcess::WaitForEnd(DWORD milliseconds)
{
    return m_process && WaitForSingleObject(m_process, milliseconds) == WAIT_OBJECT_0;
}

HelperProcess::HelperProcess() : m_process(L"\"" + ProgramFolder() + L"\\pv_window_helper.exe\"") {}

std::string HelperProcess::Command(const std::string& line)
{
    if (!m_process.Write(line + "\n"))
        return "error write";
    return m_process.ReadLine();
}

HWND HelperProcess::Create(const std::string& className, const std::string& title, bool colorKey)
{
    return WindowFromReply(Command("create\t" + className + "\t" + title + (colorKey ? "\tcolorkey" : "")));
}

HWND HelperProcess::Child(HWND parent)
{
    return WindowFromReply(Command("child\t" + WindowArgument(parent)));
}

void HelperProcess::Show(HWND window)
{
    Command("show\t" + WindowArgument(window));
}

void HelperProcess::Hide(HWND window)
{
    Command("hide\t" + WindowArgument(window));
}

void HelperProcess::Destroy(HWND window)
{
    Command("destroy\t" + WindowArgument(window));
}

long long HelperProcess::Waited(const std::string& command, HWND window, int alpha, DWORD timeoutMilliseconds)
{
    const std::string reply = Command(command + "\t" + WindowArgument(window) + "\t" + std::to_string(alpha) + "\t" +
                                      std::to_string(timeoutMilliseconds));
    return reply.compare(0, 3, "ok ") == 0 ? std::strtoll(reply.c_str() + 3, nullptr, 10) : -1;
}

long long HelperProcess::Wait(HWND window, int alpha, DWORD timeoutMilliseconds)
{
    return Waited("wait", window, alpha, timeoutMilliseconds);
}

long long HelperProcess::ShowAndWait(HWND window, int alpha, DWORD timeoutMilliseconds)
{
    return Waited("showwait", window, alpha, timeoutMilliseconds);
}

HelperProcess::Layering HelperProcess::Query(HWND window)
{
    Layering layering;
    const std::string reply = Command("query\t" + WindowArgument(window));
    unsigned long exStyle = 0, flags = 0;
    int got = 0;
    unsigned alpha = 0;
    if (std::sscanf(reply.c_str(), "ok %lx %d %u %lu", &exStyle, &got, &alpha, &flags) == 4) {
        layering.exStyle = exStyle;
        layering.got = got != 0;
        layering.alpha = static_cast<int>(alpha);
        layering.flags = flags;
    }
    return layering;
}
