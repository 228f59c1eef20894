#include "TestSupport.h"

#include <windows.h>

#include <cstring>

TempFolder::TempFolder()
{
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    wchar_t name[64];
    for (unsigned attempt = 0;; ++attempt) {
        swprintf(name, 64, L"pv-engine-%lu-%u", GetCurrentProcessId(), attempt);
        m_path = std::wstring(base) + name;
        if (CreateDirectoryW(m_path.c_str(), nullptr))
            break;
    }
}

TempFolder::~TempFolder()
{
    for (const std::wstring& name : FileNames()) {
        const std::wstring path = File(name.c_str());
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(path.c_str()))
            RemoveDirectoryW(path.c_str());
    }
    RemoveDirectoryW(m_path.c_str());
}

std::vector<std::wstring> TempFolder::FileNames() const
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((m_path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool ReadWholeFile(const std::wstring& path, Bytes& bytes)
{
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    uint8_t chunk[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof(chunk), &got, nullptr)) && got)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const std::wstring& path, const Bytes& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
                    && written == bytes.size();
    CloseHandle(file);
    return ok;
}

Bytes ListBytes(FilterList& list)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"list.bin");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const bool written = file != INVALID_HANDLE_VALUE && list.WriteToFile(file);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    Bytes bytes;
    if (!written || !ReadWholeFile(path, bytes))
        bytes.clear();
    return bytes;
}

Entries ListEntries(FilterList& list)
{
    const Bytes bytes = ListBytes(list);
    Entries entries;
    uint32_t count = 0;
    if (bytes.size() >= 4)
        std::memcpy(&count, bytes.data(), 4);
    for (uint32_t i = 0; i < count && 4 + (i + 1) * 527 <= bytes.size(); ++i) {
        const uint8_t* record = bytes.data() + 4 + i * 527;
        wchar_t pattern[261];
        std::memcpy(pattern, record + 4, sizeof(pattern));
        pattern[260] = 0;
        entries.emplace_back(pattern, record[526]);
    }
    return entries;
}

std::vector<std::wstring> ListPatterns(FilterList& list)
{
    std::vector<std::wstring> patterns;
    for (const auto& entry : ListEntries(list))
        patterns.push_back(entry.first);
    return patterns;
}
