#include "DataFile.h"
#include "DataFilePath.h"
#include "PathUtil.h"
#include "RecordIo.h"
#include "UniqueHandle.h"

#include <shlobj.h>

#include <cstring>
#include <cwchar>

namespace {

const char kMagic[5] = {'P', 'V', '0', '1', '\0'};
const wchar_t kFileName[] = L"Paneveil.dat";

// GetTempFileNameW refuses folders longer than this; saving needs a temporary file next to the
// data file.
constexpr size_t kMaxFolderLength = MAX_PATH - 14;
// How long a save waits for a reader of the data file to let go: up to about a second.
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplaceRetryMilliseconds = 50;

bool WriteContents(HANDLE file, const Settings& settings, FilterList& filters)
{
    uint8_t header[16] = {};
    std::memcpy(header, kMagic, 4);
    return WriteExactly(file, header, sizeof(header)) && settings.WriteToFile(file) && filters.WriteToFile(file);
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
    wchar_t documents[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE))
        documents[0] = L'\0';
    return ComposeDataFilePath(documents, path);
}

bool LoadDataFile(const wchar_t* path, Settings& settings, FilterList& filters)
{
    if (!path || !*path)
        return false;
    UniqueFileHandle file(CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    uint8_t header[16] = {};
    DWORD read = 0;
    if (!ReadFile(file.get(), header, sizeof(header), &read, nullptr))
        return false;
    if (std::memcmp(header, kMagic, sizeof(kMagic)) != 0)
        return false;
    return settings.ReadFromFile(file.get()) && filters.ReadFromFile(file.get());
}

bool LoadDataFileFilters(const wchar_t* path, FilterList& filters)
{
    Settings ignored;
    ignored.Reset();
    FilterList loaded;
    return LoadDataFile(path, ignored, loaded) && filters.SetFilters(loaded.GetFilters());
}

bool SaveDataFile(const wchar_t* path, const Settings& settings, FilterList& filters)
{
    if (!path || !*path)
        return false;
    wchar_t folder[kPathCapacity] = {};
    if (wcslen(path) >= kPathCapacity)
        return false;
    wcscpy(folder, path);
    RemoveLastPathComponent(folder);
    if (!folder[0])
        wcscpy(folder, L".");

    // Created empty by GetTempFileNameW with a name of its own, so no other file is overwritten.
    wchar_t temporary[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(folder, L"pv", 0, temporary))
        return false;
    UniqueFileHandle file(CreateFileW(temporary, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    // The contents must be on disk, and the file closed, before the rename makes them the data file.
    const bool written = file && WriteContents(file.get(), settings, filters) && FlushFileBuffers(file.get());
    const bool closed = file && CloseHandle(file.release());
    // While another program reads the data file (a virus scanner, a backup, an indexer) it cannot
    // be replaced; such reads are short, and a change the user made must not be lost for one.
    for (int attempt = 1; written && closed; ++attempt) {
        if (MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt == kReplaceAttempts || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION))
            break;
        Sleep(kReplaceRetryMilliseconds);
    }
    DeleteFileW(temporary);
    return false;
}
