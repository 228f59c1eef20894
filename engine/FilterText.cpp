#include "FilterText.h"

#include <windows.h>

#include <unordered_set>

#include "AsciiFold.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// False for bytes that are not UTF-8, and for a NUL, which no pattern can hold.
bool DecodeUtf8(const char* bytes, size_t length, std::wstring& text)
{
    text.clear();
    if (length == 0)
        return true;
    const int size = static_cast<int>(length);
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (units <= 0)
        return false;
    text.resize(static_cast<size_t>(units));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, size, &text[0], units) == units
           && text.find(L'\0') == std::wstring::npos;
}

// Digits only, so that " 5", "+5" or "5%" are refused rather than read as something else.
bool ParseTransparency(const std::wstring& text, uint8_t& transparency)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    int value = 0;
    for (wchar_t digit : text)
        value = value * 10 + (digit - L'0');
    transparency = static_cast<uint8_t>(value);
    return value <= kMaxTransparency;
}

FilterTextError ParseLine(const std::wstring& line, FilterEntry& filter)
{
    const size_t tab = line.find(L'\t');
    if (!ParseTransparency(line.substr(0, tab), filter.transparency))
        return FilterTextError::BadTransparency;
    filter.pattern = tab == std::wstring::npos ? std::wstring() : line.substr(tab + 1);
    if (filter.pattern.empty())
        return FilterTextError::EmptyPattern;
    if (filter.pattern.size() > kMaxPatternLength)
        return FilterTextError::LongPattern;
    return FilterTextError::None;
}

}  // namespace

// No byte-order mark: it is optional in UTF-8, and a script reading the file would take it for
// part of the first percentage. CRLF, so that every Windows editor, Notepad's oldest included,
// shows one filter a line.
std::string FormatFilterText(const std::vector<FilterEntry>& filters)
{
    std::string text;
    for (const FilterEntry& filter : filters) {
        text += std::to_string(filter.transparency) + '\t';
        const int size = static_cast<int>(filter.pattern.size());
        // A pattern is text the user gave, so it converts; a stray surrogate would become U+FFFD.
        const int length = WideCharToMultiByte(CP_UTF8, 0, filter.pattern.c_str(), size, nullptr, 0, nullptr, nullptr);
        const size_t at = text.size();
        text.resize(at + static_cast<size_t>(length > 0 ? length : 0));
        if (length > 0)
            WideCharToMultiByte(CP_UTF8, 0, filter.pattern.c_str(), size, &text[at], length, nullptr, nullptr);
        text += "\r\n";
    }
    return text;
}

bool ParseFilterText(const std::string& text, std::vector<FilterEntry>& filters, FilterTextProblem& problem)
{
    filters.clear();
    problem = FilterTextProblem();
    // The patterns so far with A-Z folded: what the filter list would take for one.
    std::unordered_set<std::wstring> seen;
    size_t start = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
    for (size_t number = 1; start < text.size(); ++number) {
        // A 0x0A byte is never part of a longer UTF-8 sequence, so lines split before decoding.
        const size_t newline = text.find('\n', start);
        const size_t next = newline == std::string::npos ? text.size() : newline + 1;
        size_t end = newline == std::string::npos ? text.size() : newline;
        if (end > start && text[end - 1] == '\r')
            --end;
        std::wstring line;
        FilterEntry filter{};
        FilterTextError error = FilterTextError::None;
        if (!DecodeUtf8(text.data() + start, end - start, line))
            error = FilterTextError::NotText;
        else if (!line.empty())
            error = ParseLine(line, filter);
        if (error == FilterTextError::None && !line.empty()) {
            std::wstring folded = filter.pattern;
            for (wchar_t& c : folded)
                c = FoldAsciiLetter(c);
            if (seen.insert(folded).second)
                filters.push_back(filter);
            else
                error = FilterTextError::DuplicatePattern;
        }
        if (error != FilterTextError::None) {
            filters.clear();
            problem = {error, number};
            return false;
        }
        start = next;
    }
    return true;
}
