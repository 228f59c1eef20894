#include "ListContents.h"

#include <cstring>

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
