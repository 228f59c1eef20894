#include "FilterTextCommand.h"

#include <shellapi.h>

#include <vector>

#include "DataFileReport.h"
#include "FilterText.h"
#include "Messages.h"
#include "NeedPasswordDialog.h"
#include "RecordIo.h"
#include "UniqueHandle.h"
#include "resource.h"

namespace {

// Far beyond any real list; a larger file is taken for the wrong one, not read into memory.
constexpr LONGLONG kMaxTextFileSize = 16 * 1024 * 1024;

bool ReadTextFile(const std::wstring& path, std::string& text)
{
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxTextFileSize)
        return false;
    text.resize(static_cast<size_t>(size.QuadPart));
    return ReadExactly(file.get(), &text[0], static_cast<DWORD>(text.size()));
}

UINT ProblemString(FilterTextError error)
{
    switch (error) {
    case FilterTextError::NotText: return IDS_IMPORT_NOT_TEXT;
    case FilterTextError::BadTransparency: return IDS_IMPORT_BAD_TRANSPARENCY;
    case FilterTextError::EmptyPattern: return IDS_IMPORT_EMPTY_PATTERN;
    case FilterTextError::LongPattern: return IDS_IMPORT_LONG_PATTERN;
    default: return IDS_IMPORT_DUPLICATE;
    }
}

}  // namespace

FilterTextCommand::FilterTextCommand(const wchar_t* commandLine)
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments)
        return;
    // The first argument is the program.
    for (int i = 1; i < count && m_switch.empty(); ++i) {
        m_import = _wcsicmp(arguments[i], L"/import") == 0;
        if (m_import || _wcsicmp(arguments[i], L"/export") == 0) {
            m_switch = arguments[i];
            if (i + 1 < count)
                m_file = arguments[i + 1];
        }
    }
    LocalFree(arguments);
}

int FilterTextCommand::Fail(UINT stringId, const std::wstring& file)
{
    AppMessageBox(FormatResString(stringId, file), MB_OK | MB_ICONEXCLAMATION);
    return kFileFailed;
}

int FilterTextCommand::DataFileUnreadable(const Engine& engine)
{
    AppMessageBox(FormatResString(IDS_DATA_FILE_UNREADABLE, engine.DataFilePath(), SystemErrorText(engine.DataFileError())),
                  MB_OK | MB_ICONEXCLAMATION);
    return kFileFailed;
}

int FilterTextCommand::Run(Engine& engine)
{
    if (m_file.empty()) {
        AppMessageBox(FormatResString(IDS_FILTERS_TEXT_NO_FILE, m_switch), MB_OK | MB_ICONEXCLAMATION);
        return kNoFile;
    }
    // A data file that is there but cannot be read might hold a password, and an import would
    // replace its settings with the defaults. One that is damaged gives what could be read, so
    // that an export rescues the filters kept.
    if (engine.LoadDataFile(kDataFileWaitMilliseconds) == DataFileRead::Unreadable)
        return DataFileUnreadable(engine);
    if (engine.settings.HasPassword() && NeedPasswordDialog(nullptr).DoModal() != IDOK)
        return kPasswordRefused;
    return m_import ? Import(engine) : Export(engine);
}

// A running instance saves after every change, so the data file holds its current list.
int FilterTextCommand::Export(Engine& engine)
{
    const std::string text = FormatFilterText(engine.filters.GetFilters());
    UniqueFileHandle file(CreateFileW(m_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Fail(IDS_FILE_NOT_WRITTEN, m_file);
    if (!WriteExactly(file.get(), text.data(), static_cast<DWORD>(text.size()))) {
        // Cut short, it would pass for a shorter list.
        file.reset();
        DeleteFileW(m_file.c_str());
        return Fail(IDS_FILE_NOT_WRITTEN, m_file);
    }
    return kDone;
}

// The data file has one writer: a running instance is handed the list, replaces its own and
// saves; only without one does this process write the file. Had this process written it beside
// an instance, a save of the instance's (the wheel's delayed one, an option click) could land
// over the import.
int FilterTextCommand::Import(Engine& engine)
{
    std::string text;
    if (!ReadTextFile(m_file, text))
        return Fail(IDS_FILE_NOT_READ, m_file);
    std::vector<FilterEntry> filters;
    FilterTextProblem problem;
    if (!ParseFilterText(text, filters, problem)) {
        AppMessageBox(ReplaceArguments(LoadResString(ProblemString(problem.error)), std::to_wstring(problem.line), &m_file),
                      MB_OK | MB_ICONEXCLAMATION);
        return kBadLine;
    }
    if (InstanceRuns())
        return HandOverToRunningInstance(engine, FormatFilterText(filters));
    // Read again just before the write: the password prompt may have been open a long time.
    if (engine.LoadDataFile(kDataFileWaitMilliseconds) == DataFileRead::Unreadable)
        return DataFileUnreadable(engine);
    ReportDataFileDamage(engine);
    if (!engine.filters.SetFilters(filters) || !engine.SaveDataFile())
        return Fail(IDS_FILE_NOT_WRITTEN, engine.DataFilePath());
    return kDone;
}

int FilterTextCommand::HandOverToRunningInstance(const Engine& engine, const std::string& list)
{
    DWORD_PTR takenUp = 0;
    if (SendToRunningInstance(kImportFiltersData, list.data(), static_cast<DWORD>(list.size()), takenUp) && takenUp == 1)
        return kDone;
    AppMessageBox(FormatResString(IDS_IMPORT_NOT_TAKEN_UP, engine.DataFilePath()), MB_OK | MB_ICONEXCLAMATION);
    return kNotTakenUp;
}
