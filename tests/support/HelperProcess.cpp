#include "HelperProcess.h"

#include <cstdlib>

namespace {

// "ok <number>" gives the number, anything else `failure`.
long long ReplyNumber(const std::string& reply, long long failure)
{
    return reply.compare(0, 3, "ok ") == 0 ? std::strtoll(reply.c_str() + 3, nullptr, 10) : failure;
}

} // namespace

std::string WindowArgument(HWND window)
{
    return std::to_string(reinterpret_cast<UINT_PTR>(window));
}

PipedProcess::PipedProcess(const std::wstring& commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr, input = nullptr, output = nullptr;
    if (!CreatePipe(&childInput, &input, &inherit, 0))
        return;
    m_input.reset(input);
    UniqueKernelHandle childInputOwner(childInput);
    if (!CreatePipe(&output, &childOutput, &inherit, 0))
        return;
    m_output.reset(output);
    UniqueKernelHandle childOutputOwner(childOutput);
    SetHandleInformation(input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    std::wstring mutableLine = commandLine;
    if (CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        m_process.reset(info.hProcess);
    }
}

PipedProcess::~PipedProcess()
{
    m_input.reset();
    if (m_process && !WaitForEnd(5000))
        TerminateProcess(m_process.get(), 1);
}

bool PipedProcess::Write(const std::string& text)
{
    DWORD written = 0;
    return m_input && WriteFile(m_input.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
           && written == text.size();
}

std::string PipedProcess::ReadLine()
{
    std::string line;
    for (;;) {
        DWORD available = 0;
        if (!m_output || !PeekNamedPipe(m_output.get(), nullptr, 0, nullptr, &available, nullptr))
            return line;
        if (available == 0) {
            PumpMessages(1);
            continue;
        }
        char c;
        DWORD read = 0;
        if (!ReadFile(m_output.get(), &c, 1, &read, nullptr) || read != 1 || c == '\n')
            return line;
        if (c != '\r')
            line += c;
    }
}

bool PipedProcess::WaitForEnd(DWORD milliseconds)
{
    return m_process && WaitForSingleObject(m_process.get(), milliseconds) == WAIT_OBJECT_0;
}

HelperProcess::HelperProcess() : m_process(L"\"" + ProgramFolder() + L"\\pv_window_helper.exe\"") {}

std::string HelperProcess::Command(const std::string& line)
{
    return m_process.Write(line + "\n") ? m_process.ReadLine() : "error write";
}

HWND HelperProcess::Create(const std::string& className, const std::string& title, bool colorKey)
{
    const std::string reply = Command("create\t" + className + "\t" + title + (colorKey ? "\tcolorkey" : ""));
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(ReplyNumber(reply, 0)));
}

void HelperProcess::Show(HWND window, bool quiet)
{
    Command("show\t" + WindowArgument(window) + (quiet ? "\tquiet" : ""));
}

void HelperProcess::Hide(HWND window, bool quiet)
{
    Command("hide\t" + WindowArgument(window) + (quiet ? "\tquiet" : ""));
}

void HelperProcess::Destroy(HWND window)
{
    Command("destroy\t" + WindowArgument(window));
}

int HelperProcess::Alpha(HWND window)
{
    return static_cast<int>(ReplyNumber(Command("alpha\t" + WindowArgument(window)), -3));
}

bool HelperProcess::WaitForAlpha(HWND window, int alpha, DWORD timeoutMilliseconds)
{
    return WaitFor([&] { return Alpha(window) == alpha; }, timeoutMilliseconds);
}

long long HelperProcess::ShowAndWait(HWND window, int alpha, DWORD timeoutMilliseconds)
{
    return ReplyNumber(Command("showwait\t" + WindowArgument(window) + "\t" + std::to_string(alpha) + "\t" +
                               std::to_string(timeoutMilliseconds)),
                       -1);
}
