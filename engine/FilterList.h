#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kMaxPatternLength = 260;    // characters; buffers hold one more for the NUL
constexpr uint8_t kDefaultTransparency = 40;
constexpr uint8_t kMaxTransparency = 99;

static_assert(sizeof(wchar_t) == 2, "patterns are stored as UTF-16 units");

// The persisted part of a filter: 527 bytes, written as they lie in memory.
#pragma pack(push, 1)
struct FilterRecord {
    uint32_t size;
    wchar_t pattern[kMaxPatternLength + 1];
    uint8_t transparency;
};
#pragma pack(pop)
static_assert(sizeof(FilterRecord) == 527, "filter record is persisted byte for byte");
static_assert(offsetof(FilterRecord, pattern) == 4, "layout");
static_assert(offsetof(FilterRecord, transparency) == 526, "layout");

struct Filter : FilterRecord {
    Filter* next = nullptr;
    Filter* previous = nullptr;

    void Reset();
    bool ReadFromFile(HANDLE file);        // true on success and a non-empty pattern
    bool WriteToFile(HANDLE file) const;   // true if exactly `size` bytes were written
};

// One filter by value, as it leaves or enters the list whole.
struct FilterEntry {
    uint8_t transparency;
    std::wstring pattern;
};

// True if `pattern` (* and ?) matches `text`. Only A-Z are folded when not case-sensitive;
// with matchAnywhere the pattern has an implicit leading and trailing *. Allocates nothing.
bool WildcardMatch(const wchar_t* text, const wchar_t* pattern, bool caseSensitive, bool matchAnywhere);

// The ordered, lock-protected filters. The head has the highest priority. Filters are named by
// pattern (compared with A-Z folded); no pointer or index into the list leaves it.
class FilterList {
public:
    FilterList();
    ~FilterList();
    FilterList(const FilterList&) = delete;
    FilterList& operator=(const FilterList&) = delete;

    bool FindFilter(const wchar_t* pattern, uint8_t* transparency = nullptr);
    bool AddFilter(const wchar_t* pattern, uint8_t transparency);
    bool RemoveFilter(const wchar_t* pattern);
    bool ModifyFilter(const wchar_t* oldPattern, const wchar_t* newPattern, uint8_t transparency);
    bool MoveFilterUp(const wchar_t* pattern);
    bool MoveFilterDown(const wchar_t* pattern);
    bool MatchWindow(const wchar_t* imagePath, const wchar_t* className, const wchar_t* title,
                     uint8_t* transparency = nullptr);
    // Refills a list-view control (column 0 pattern, column 1 percentage or "Disabled") and
    // selects the rows whose patterns are in `selected`.
    bool FillListView(HWND listView, const wchar_t* const* selected = nullptr, size_t selectedCount = 0);
    void Clear();
    // The filters from the head down.
    std::vector<FilterEntry> GetFilters();
    // The list becomes `filters`, the first at the head, in one step: the worker never sees half
    // a list. False, and the list as it was, when a pattern is empty or repeats an earlier one.
    bool SetFilters(const std::vector<FilterEntry>& filters);

    bool ReadFromFile(HANDLE file);   // after a failure the list holds the records read before it
    bool WriteToFile(HANDLE file);

private:
    class Lock;
    Filter* Find(const wchar_t* pattern) const;   // caller holds the lock
    void Append(Filter* entry, Filter*& tail);    // after `tail`, the last entry so far

    CRITICAL_SECTION m_lock;
    Filter* m_head = nullptr;
};
