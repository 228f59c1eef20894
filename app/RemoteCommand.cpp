#include "RemoteCommand.h"

#include <shellapi.h>

#include <cwctype>

#include "Messages.h"
#include "NeedPasswordDialog.h"
#include "RunningInstance.h"
#include "UniqueHandle.h"
#include "resource.h"

namespace {

const struct {
    const wchar_t* name;
    RemoteRequest::Action action;
} kSwitches[] = {{L"/status", RemoteRequest::kStatus}, {L"/disable", RemoteRequest::kDisable},
                 {L"/enable", RemoteRequest::kEnable}, {L"/toggle", RemoteRequest::kToggle},
                 {L"/global", RemoteRequest::kGlobal}};

// 0 to 99 (kMaxTransparency), one or two decimal digits only: "30%" or "-1" is refused rather than
// read as something else.
bool ParsePercentage(const wchar_t* text, uint32_t& value)
{
    value = 0;
    size_t digits = 0;
    for (; text[digits]; ++digits) {
        if (!iswdigit(text[digits]) || digits == 2)
            return false;
        value = value * 10 + (text[digits] - L'0');
    }
    return digits > 0;
}

// To where the starting program put this one's output: a file or a pipe it redirected to (UTF-8),
// else its console window. A process without either gets nothing.
void WriteLine(const std::wstring& line)
{
    const std::wstring text = line + L"\r\n";
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const DWORD type = output && output != INVALID_HANDLE_VALUE ? GetFileType(output) : FILE_TYPE_UNKNOWN;
    DWORD written = 0;
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
        std::string utf8(size, '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0], size, nullptr, nullptr);
        WriteFile(output, utf8.data(), DWORD(utf8.size()), &written, nullptr);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    UniqueFileHandle console(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (console)
        WriteConsoleW(console.get(), text.data(), DWORD(text.size()), &written, nullptr);
    console.reset();
    FreeConsole();
}

// "on, hook mode, global 40%, 3 filters"
std::wstring StatusLine(DWORD_PTR state)
{
    const size_t filters = state >> RemoteState::kFiltersShift;
    return LoadResString(state & RemoteState::kOn ? IDS_REMOTE_ON : IDS_REMOTE_OFF) + L", "
           + LoadResString(state & RemoteState::kSafeMode ? IDS_REMOTE_SAFE_MODE : IDS_REMOTE_HOOK_MODE) + L", "
           + FormatResString(IDS_REMOTE_GLOBAL, std::to_wstring((state >> RemoteState::kGlobalShift) & 0x7F)) + L", "
           + FormatResString(filters == 1 ? IDS_REMOTE_ONE_FILTER : IDS_REMOTE_FILTERS, std::to_wstring(filters));
}

}  // namespace

DWORD_PTR RemoteState::Compose(bool on, bool safeMode, bool saved, uint8_t global, size_t filters)
{
    const size_t kMaxCount = (DWORD_PTR{1} << (8 * sizeof(DWORD_PTR) - kFiltersShift)) - 1;
    return kTaken | (on ? kOn : 0) | (safeMode ? kSafeMode : 0) | (saved ? kSaved : 0)
           | (DWORD_PTR{global} & 0x7F) << kGlobalShift | DWORD_PTR(filters < kMaxCount ? filters : kMaxCount) << kFiltersShift;
}

RemoteCommand::RemoteCommand(const wchar_t* commandLine)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments)
        return;
    // The first argument is the program.
    for (int i = 1; i < count && m_switch.empty(); ++i) {
        for (const auto& known : kSwitches) {
            if (_wcsicmp(arguments[i], known.name) != 0)
                continue;
            m_switch = arguments[i];
            m_request.action = known.action;
            m_numberValid = known.action != RemoteRequest::kGlobal
                            || (i + 1 < count && ParsePercentage(arguments[i + 1], m_request.globalTransparency));
        }
    }
    LocalFree(arguments);
}

int RemoteCommand::Finish(int result, const std::wstring& line) const
{
    WriteLine(line);
    return result;
}

// Nothing is asked before it is known that a Paneveil runs: a task run while none does must end
// at once, and starts nothing.
int RemoteCommand::Run(Engine& engine)
{
    if (!m_numberValid)
        return Finish(kBadNumber, FormatResString(IDS_REMOTE_BAD_NUMBER, m_switch));
    if (!InstanceRuns())
        return Finish(kNotRunning, LoadResString(IDS_REMOTE_NOT_RUNNING));
    // The running instance saves every change of the password, so the file holds its own.
    if (engine.LoadDataFile(kDataFileWaitMilliseconds) == DataFileRead::Unreadable)
        return Finish(kFileFailed, FormatResString(IDS_REMOTE_FILE_FAILED, engine.DataFilePath()));
    if (engine.settings.HasPassword() && NeedPasswordDialog(nullptr).DoModal() != IDOK)
        return Finish(kPasswordRefused, LoadResString(IDS_REMOTE_PASSWORD_REFUSED));
    DWORD_PTR state = 0;
    if (!SendToRunningInstance(kRemoteCommandData, &m_request, sizeof m_request, state) || !(state & RemoteState::kTaken))
        return Finish(kNotTakenUp, LoadResString(IDS_REMOTE_NOT_TAKEN_UP));
    if (m_request.action == RemoteRequest::kGlobal && !(state & RemoteState::kSaved))
        return Finish(kFileFailed, FormatResString(IDS_REMOTE_NOT_SAVED, engine.DataFilePath()));
    if (m_request.action != RemoteRequest::kStatus)
        return kDone;
    return Finish(state & RemoteState::kOn ? kDone : kOff, StatusLine(state));
}
