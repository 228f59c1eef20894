#include "DataFile.h"
#include "DataFilePath.h"
#include "PathUtil.h"
#include "RecordIo.h"

#include <shlobj.h>

#include <cstring>
#include <cwchar>

namespace {

const char kMagic[5] = {'P', 'V', '0', '1', '\0'};
const wchar_t kFileName[] = L"Paneveil.dat";

// GetTempFileNameW refuses folders longer than this; saving needs a temporary file next to the
// data file.
constexpr size_t kMaxFolderLength = MAX_PATH - 14;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    bool Close()
    {
        const bool closed = !IsValid() || CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

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
    if (!documentsFolder || !*documentsFolder
        || !AppendPathComponent(composed, kPathCapacity, documentsFolder)
        || !AppendPathComponent(composed, kPathCapacity, L"Kestro")
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
    FileHandle file(CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    uint8_t header[16] = {};
    DWORD read = 0;
    if (!ReadFile(file.Get(), header, sizeof(header), &read, nullptr))
        return false;
    if (std::memcmp(header, kMagic, sizeof(kMagic)) != 0)
        return false;
    return settings.ReadFromFile(file.Get()) && filters.ReadFromFile(file.Get());
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
    FileHandle file(CreateFileW(temporary, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    // The contents must be on disk before the rename makes them the data file.
    const bool written = file.IsValid() && WriteContents(file.Get(), settings, filters)
                         && FlushFileBuffers(file.Get());
    const bool closed = file.Close();
    if (written && closed
        && MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary);
    return false;
}
