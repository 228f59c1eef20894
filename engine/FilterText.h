#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "FilterList.h"

// The filter list as text, for Paneveil.exe /export and /import: one filter a line, highest
// priority first, as its transparency in decimal (0 for Disabled), a tab and its pattern.

enum class FilterTextError { None, NotText, BadTransparency, EmptyPattern, LongPattern, DuplicatePattern };

struct FilterTextProblem {
    FilterTextError error = FilterTextError::None;
    size_t line = 0;   // counted from 1, blank lines included
};

// UTF-8 without a byte-order mark, every line ending CRLF.
std::string FormatFilterText(const std::vector<FilterEntry>& filters);

// Reads UTF-8 with or without a byte-order mark, lines ending CRLF or LF; empty lines are
// skipped. On the first line that is not a valid filter returns false, with that line's number
// and reason in `problem` and `filters` empty.
bool ParseFilterText(const std::string& text, std::vector<FilterEntry>& filters, FilterTextProblem& problem);
