#pragma once
#include "FilterList.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<uint8_t>;
using Entries = std::vector<std::pair<std::wstring, int>>;   // (pattern, transparency)

// A folder of its own under the Wine prefix's temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const wchar_t* name) const { return m_path + L"\\" + name; }
    std::vector<std::wstring> FileNames() const;

private:
    std::wstring m_path;
};

bool ReadWholeFile(const std::wstring& path, Bytes& bytes);
bool WriteWholeFile(const std::wstring& path, const Bytes& bytes);

// What the list writes to a file: its count and records, front to back.
Bytes ListBytes(FilterList& list);
// The entries of ListBytes, front to back.
Entries ListEntries(FilterList& list);
std::vector<std::wstring> ListPatterns(FilterList& list);
