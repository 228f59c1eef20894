#include "FilterList.h"
#include "FilterListLock.h"
#include "AsciiFold.h"
#include "RecordIo.h"

#include <cstring>
#include <new>
#include <unordered_set>
#include <utility>

namespace {

bool IsEmpty(const wchar_t* pattern)
{
    return !pattern || !*pattern;
}

// A caller's pattern longer than an entry can hold is compared by the part that would be
// stored, so that adding or renaming to a long pattern cannot create a second entry of that name.
bool PatternsEqual(const wchar_t* stored, const wchar_t* given)
{
    return EqualFoldingAscii(stored, given, kMaxPatternLength);
}

void StorePattern(Filter& filter, const wchar_t* pattern)
{
    size_t i = 0;
    for (; i < kMaxPatternLength && pattern[i]; ++i)
        filter.pattern[i] = pattern[i];
    // NUL up to the end: the whole field is written to the data file.
    for (; i <= kMaxPatternLength; ++i)
        filter.pattern[i] = L'\0';
}

// The patterns met so far, as the list compares them. A hash rather than a walk of the list, so
// that a list is built in time linear in its length: a damaged file of 50,000 records would
// otherwise take seconds before any window appears.
class SeenPatterns {
public:
    // False if an earlier pattern was equal.
    bool Insert(const wchar_t* pattern) { return m_keys.insert(FoldedKey(pattern, kMaxPatternLength)).second; }

private:
    std::unordered_set<std::wstring> m_keys;
};

// ..., first, second, ... becomes ..., second, first, ...
void SwapWithNext(Filter*& head, Filter* first)
{
    Filter* second = first->next;
    Filter* before = first->previous;
    Filter* after = second->next;
    second->previous = before;
    second->next = first;
    first->previous = second;
    first->next = after;
    if (before)
        before->next = second;
    else
        head = second;
    if (after)
        after->previous = first;
}

} // namespace

void Filter::Reset()
{
    size = sizeof(FilterRecord);
    std::memset(pattern, 0, sizeof(pattern));
    transparency = kDefaultTransparency;
}

bool Filter::ReadFromFile(HANDLE file)
{
    Reset();
    const bool read = ReadSelfSizedRecord(file, static_cast<FilterRecord*>(this), sizeof(FilterRecord));
    if (transparency > kMaxTransparency)
        transparency = kDefaultTransparency;
    pattern[kMaxPatternLength] = L'\0';
    return read && pattern[0];
}

bool Filter::WriteToFile(HANDLE file) const
{
    return size <= sizeof(FilterRecord) && WriteExactly(file, static_cast<const FilterRecord*>(this), size);
}

FilterList::FilterList()
{
    InitializeCriticalSection(&m_lock);
}

FilterList::~FilterList()
{
    Clear();
    DeleteCriticalSection(&m_lock);
}

Filter* FilterList::Find(const wchar_t* pattern) const
{
    for (Filter* entry = m_head; entry; entry = entry->next) {
        if (PatternsEqual(entry->pattern, pattern))
            return entry;
    }
    return nullptr;
}

bool FilterList::FindFilter(const wchar_t* pattern, uint8_t* transparency)
{
    if (IsEmpty(pattern))
        return false;
    Lock lock(m_lock);
    const Filter* entry = Find(pattern);
    if (!entry)
        return false;
    if (transparency)
        *transparency = entry->transparency;
    return true;
}

bool FilterList::AddFilter(const wchar_t* pattern, uint8_t transparency)
{
    if (IsEmpty(pattern))
        return false;
    Lock lock(m_lock);
    if (Find(pattern))
        return false;
    Filter* entry = new (std::nothrow) Filter;
    if (!entry)
        return false;
    entry->Reset();
    StorePattern(*entry, pattern);
    entry->transparency = transparency > kMaxTransparency ? kDefaultTransparency : transparency;
    entry->next = m_head;
    if (m_head)
        m_head->previous = entry;
    m_head = entry;
    return true;
}

bool FilterList::RemoveFilter(const wchar_t* pattern)
{
    if (IsEmpty(pattern))
        return false;
    Lock lock(m_lock);
    Filter* entry = Find(pattern);
    if (!entry)
        return false;
    if (entry->previous)
        entry->previous->next = entry->next;
    else
        m_head = entry->next;
    if (entry->next)
        entry->next->previous = entry->previous;
    delete entry;
    return true;
}

bool FilterList::ModifyFilter(const wchar_t* oldPattern, const wchar_t* newPattern, uint8_t transparency)
{
    if (IsEmpty(oldPattern) || IsEmpty(newPattern))
        return false;
    Lock lock(m_lock);
    Filter* entry = Find(oldPattern);
    if (!entry)
        return false;
    if (!PatternsEqual(entry->pattern, newPattern) && Find(newPattern))
        return false;
    StorePattern(*entry, newPattern);
    entry->transparency = transparency;
    return true;
}

bool FilterList::MoveFilterUp(const wchar_t* pattern)
{
    if (IsEmpty(pattern))
        return false;
    Lock lock(m_lock);
    Filter* entry = Find(pattern);
    if (!entry || !entry->previous)
        return false;
    SwapWithNext(m_head, entry->previous);
    return true;
}

bool FilterList::MoveFilterDown(const wchar_t* pattern)
{
    if (IsEmpty(pattern))
        return false;
    Lock lock(m_lock);
    Filter* entry = Find(pattern);
    if (!entry || !entry->next)
        return false;
    SwapWithNext(m_head, entry);
    return true;
}

bool FilterList::MatchWindow(const wchar_t* imagePath, const wchar_t* className, const wchar_t* title,
                             uint8_t* transparency)
{
    const bool untitled = !title || !*title;
    Lock lock(m_lock);
    for (const Filter* entry = m_head; entry; entry = entry->next) {
        if (WildcardMatch(imagePath, entry->pattern, false, true)
            || WildcardMatch(title, entry->pattern, false, true)
            || (untitled && WildcardMatch(className, entry->pattern, false, true))) {
            if (transparency)
                *transparency = entry->transparency;
            return true;
        }
    }
    return false;
}

// Critical sections are recursive, so the file reader may call this under its own lock.
void FilterList::Clear()
{
    Lock lock(m_lock);
    while (m_head) {
        Filter* next = m_head->next;
        delete m_head;
        m_head = next;
    }
}

std::vector<FilterEntry> FilterList::GetFilters()
{
    Lock lock(m_lock);
    std::vector<FilterEntry> filters;
    for (const Filter* entry = m_head; entry; entry = entry->next)
        filters.push_back({entry->transparency, entry->pattern});
    return filters;
}

void FilterList::Append(Filter* entry, Filter*& tail)
{
    entry->previous = tail;
    entry->next = nullptr;
    if (tail)
        tail->next = entry;
    else
        m_head = entry;
    tail = entry;
}

// Built apart and swapped in; the old entries go with `replacement`, after the lock is left.
bool FilterList::SetFilters(const std::vector<FilterEntry>& filters)
{
    FilterList replacement;
    SeenPatterns seen;
    Filter* tail = nullptr;
    for (const FilterEntry& filter : filters) {
        if (filter.pattern.empty() || !seen.Insert(filter.pattern.c_str()))
            return false;
        Filter* entry = new (std::nothrow) Filter;
        if (!entry)
            return false;
        entry->Reset();
        StorePattern(*entry, filter.pattern.c_str());
        entry->transparency = filter.transparency > kMaxTransparency ? kDefaultTransparency : filter.transparency;
        replacement.Append(entry, tail);
    }
    Lock lock(m_lock);
    std::swap(m_head, replacement.m_head);
    return true;
}

bool FilterList::ReadFromFile(HANDLE file)
{
    Lock lock(m_lock);
    Clear();
    uint32_t count = 0;
    if (!ReadExactly(file, &count, sizeof(count)))
        return false;
    SeenPatterns seen;
    Filter* tail = nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        Filter* entry = new (std::nothrow) Filter;
        // The records before the damage are kept: each is whole, and dropping them would lose
        // them for good at the next save.
        if (!entry || !entry->ReadFromFile(file)) {
            delete entry;
            return false;
        }
        // A hand-edited or damaged file may repeat a pattern; the first one would always win,
        // and a second entry of the same name could never be edited or removed on its own.
        if (!seen.Insert(entry->pattern)) {
            delete entry;
            continue;
        }
        Append(entry, tail);
    }
    return true;
}

bool FilterList::WriteToFile(HANDLE file)
{
    Lock lock(m_lock);
    // Counted first (the lock is held throughout), so the count is written in place rather than
    // patched afterwards with seeks.
    uint32_t count = 0;
    for (const Filter* entry = m_head; entry; entry = entry->next)
        ++count;
    if (!WriteExactly(file, &count, sizeof(count)))
        return false;
    for (const Filter* entry = m_head; entry; entry = entry->next) {
        if (!entry->WriteToFile(file))
            return false;
    }
    return true;
}
