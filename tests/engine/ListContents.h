#pragma once
#include "FilterList.h"
#include "TestSupport.h"

#include <string>
#include <utility>
#include <vector>

using Entries = std::vector<std::pair<std::wstring, int>>;   // (pattern, transparency)

// What the list writes to a file: its count and records, front to back.
Bytes ListBytes(FilterList& list);
// The entries of ListBytes, front to back.
Entries ListEntries(FilterList& list);
std::vector<std::wstring> ListPatterns(FilterList& list);
