#include "DataFile.h"
#include "DataFilePath.h"
#include "PathUtil.h"
#include "RecordIo.h"
#include "UniqueHandle.h"

#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

const char kMagic[5] = {'P', 'V', '0', '1', '\0'};
const wchar_t kFileName[] = L"Paneveil.dat";

// GetTempFileNameW refuses folders longer than this; saving needs a temporary file next to the
// data file.
constexpr size_t kMaxFolderLength = MAX_PATH - 14;
// How long a save waits for a reader of the data file to let go: up to about a second.
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplaceRetryMilliseconds = 50;
constexpr DWORD kReadRetryMilliseconds = 100;

bool WriteContents(HANDLE file, const Settings& settings, FilterList& filters)
{
    uint8_t header[16] = {};
    std::memcpy(header, kMagic, 4);
    return WriteExactly(file, header, sizeof(header)) && settings.WriteToFile(file) && filters.WriteToFile(file);
}

// Reads the file once to its end and goes back to its start. A read that fails part-way (a range
// another program has locked, a network folder that dropped) then makes the file unreadable
// before any of its bytes was taken, rather than damaged after half of them were.
bool ReadsToEnd(HANDLE file)
{
    std::vector<uint8_t> buffer(64 * 1024);
    for (DWORD read = 1; read != 0;) {
        if (!ReadFile(file, buffer.data(), DWORD(buffer.size()), &read, nullptr))
            return false;
    }
    return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
}

DataFileRead ReadOnce(const wchar_t* path, Settings& settings, FilterList& filters, DWORD& error, bool& settingsRead)
{
    error = ERROR_SUCCESS;
    settingsRead = false;
    if (!path || !*path)
        return DataFileRead::Missing;
    UniqueFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? DataFileRead::Missing
                                                                              : DataFileRead::Unreadable;
    }
    if (!ReadsToEnd(file.get())) {
        error = GetLastError();
        return DataFileRead::Unreadable;
    }
    // An empty file holds nothing to lose: it is how a copy is made portable.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart == 0)
        return DataFileRead::Missing;
    uint8_t header[16] = {};
    DWORD read = 0;
    if (!ReadFile(file.get(), header, sizeof(header), &read, nullptr) || std::memcmp(header, kMagic, sizeof(kMagic)) != 0)
        return DataFileRead::Damaged;
    settingsRead = settings.ReadFromFile(file.get());
    return settingsRead && filters.ReadFromFile(file.get()) ? DataFileRead::Loaded : DataFileRead::Damaged;
}

bool PortableDataFilePath(wchar_t (&path)[kPathCapacity])
{
    wchar_t program[kPathCapacity] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return false;
    RemoveLastPathComponent(program);
    if (wcslen(program) > kMaxFolderLength || !AppendPathComponent(program, kPathCapacity, kFileName))
        return false;
    const DWORD attributes = GetFileAttributesW(program);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    wmemcpy(path, program, kPathCapacity);
    return true;
}

} // namespace

bool ComposeDataFilePath(const wchar_t* documentsFolder, wchar_t (&path)[kPathCapacity])
{
    std::memset(path, 0, sizeof(path));
    wchar_t composed[kPathCapacity] = {};
    // The folder is taken as it is: appended as a component, a redirected \\server\share folder
    // would lose its leading backslashes and become a relative path.
    if (!documentsFolder || !*documentsFolder || wcslen(documentsFolder) >= kPathCapacity)
        return false;
    wcscpy(composed, documentsFolder);
    if (!AppendPathComponent(composed, kPathCapacity, L"Kestro")
        || !AppendPathComponent(composed, kPathCapacity, L"Paneveil")
        || wcslen(composed) > kMaxFolderLength)
        return false;
    CreateDirectoryTree(composed);
    if (!AppendPathComponent(composed, kPathCapacity, kFileName))
        return false;
    wmemcpy(path, composed, kPathCapacity);
    return true;
}

// Without a documents folder the path stays empty rather than relative: autostart runs the
// program in the system folder, and a relative path would put the data file there.
bool BuildDataFilePath(wchar_t (&path)[kPathCapacity])
{
    if (PortableDataFilePath(path))
        return true;
    wchar_t documents[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE))
        documents[0] = L'\0';
    return ComposeDataFilePath(documents, path);
}

DataFileRead ReadDataFile(const wchar_t* path, Settings& settings, FilterList& filters, DWORD waitMilliseconds,
                          DWORD* error, bool* settingsRead)
{
    const ULONGLONG deadline = GetTickCount64() + waitMilliseconds;
    DWORD reason = ERROR_SUCCESS;
    bool settingsTaken = false;
    DataFileRead result = ReadOnce(path, settings, filters, reason, settingsTaken);
    while (result == DataFileRead::Unreadable && GetTickCount64() < deadline) {
        Sleep(kReadRetryMilliseconds);
        result = ReadOnce(path, settings, filters, reason, settingsTaken);
    }
    if (error)
        *error = reason;
    if (settingsRead)
        *settingsRead = settingsTaken;
    return result;
}

bool CopyDamagedDataFile(const wchar_t* path, std::wstring& copy)
{
    copy.clear();
    if (!path || !*path)
        return false;
    std::wstring folder(path);
    const size_t slash = folder.find_last_of(L'\\');
    folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[32] = {};
    swprintf(stamp, 32, L"%04u-%02u-%02u %02u-%02u-%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    // Never over an earlier copy: a second damage within the same second gets a number.
    for (int number = 1; number <= 9; ++number) {
        std::wstring name = folder + L"Paneveil damaged " + stamp;
        if (number > 1)
            name += L" (" + std::to_wstring(number) + L")";
        name += L".dat";
        if (CopyFileW(path, name.c_str(), TRUE)) {
            copy = name;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

bool LoadDataFile(const wchar_t* path, Settings& settings, FilterList& filters)
{
    return ReadDataFile(path, settings, filters, 0) == DataFileRead::Loaded;
}

bool SaveDataFile(const wchar_t* path, const Settings& settings, FilterList& filters, DWORD* error)
{
    DWORD ignored = 0;
    DWORD& reason = error ? *error : ignored;
    reason = ERROR_INVALID_NAME;
    if (!path || !*path || wcslen(path) >= kPathCapacity)
        return false;
    wchar_t folder[kPathCapacity] = {};
    wcscpy(folder, path);
    RemoveLastPathComponent(folder);
    if (!folder[0])
        wcscpy(folder, L".");

    // Created empty by GetTempFileNameW with a name of its own, so no other file is overwritten.
    wchar_t temporary[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(folder, L"pv", 0, temporary)) {
        reason = GetLastError();
        return false;
    }
    UniqueFileHandle file(CreateFileW(temporary, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    // The contents must be on disk, and the file closed, before the rename makes them the data file.
    SetLastError(ERROR_WRITE_FAULT);   // what a short write that sets no error counts as
    const bool written = file && WriteContents(file.get(), settings, filters) && FlushFileBuffers(file.get());
    if (!written)
        reason = GetLastError();
    const bool closed = file && CloseHandle(file.release());
    if (written && !closed)
        reason = GetLastError();
    // While another program reads the data file (a virus scanner, a backup, an indexer) it cannot
    // be replaced; such reads are short, and a change the user made must not be lost for one.
    for (int attempt = 1; written && closed; ++attempt) {
        if (MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            reason = ERROR_SUCCESS;
            return true;
        }
        reason = GetLastError();
        if (attempt == kReplaceAttempts || (reason != ERROR_ACCESS_DENIED && reason != ERROR_SHARING_VIOLATION))
            break;
        Sleep(kReplaceRetryMilliseconds);
    }
    DeleteFileW(temporary);
    return false;
}
