#include "ProcessPathCache.h"

#include <cwchar>
#include <utility>

#include "Elevation.h"
#include "ProcessImage.h"

void ProcessPathCache::Lookup(DWORD processId, wchar_t (&path)[kPathCapacity], bool* beyondReach)
{
    path[0] = L'\0';
    bool unused = false;
    bool& refused = beyondReach ? *beyondReach : unused;
    refused = false;
    if (processId == 0)
        return;
    {
        CriticalSection::Lock lock(m_lock);
        for (Entry& entry : m_entries) {
            if (entry.process && entry.processId == processId) {
                entry.lastUse = ++m_uses;
                wmemcpy(path, entry.path, kPathCapacity);
                refused = entry.beyondReach;
                return;
            }
        }
    }
    // Looked up outside the lock: reading another process's memory is slow, and the other
    // thread must not wait for it. Both threads may then add the same process; the second
    // entry is never found and ages out.
    // Enough to keep the id from going to another process, and to see when the process ends.
    UniqueKernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        return;
    GetProcessImagePath(processId, path);
    // A process that is still starting may not have its path yet: ask again next time.
    if (!path[0])
        return;
    refused = IsBeyondReach(processId);
    CriticalSection::Lock lock(m_lock);
    Entry* entry = SlotForNewEntry();
    entry->processId = processId;
    entry->lastUse = ++m_uses;
    entry->beyondReach = refused;
    entry->process = std::move(process);
    wmemcpy(entry->path, path, kPathCapacity);
}

// An empty slot, else one whose process has ended, else the one used least recently.
ProcessPathCache::Entry* ProcessPathCache::SlotForNewEntry()
{
    for (Entry& entry : m_entries) {
        if (!entry.process)
            return &entry;
    }
    Entry* oldest = &m_entries[0];
    for (Entry& entry : m_entries) {
        if (WaitForSingleObject(entry.process.get(), 0) == WAIT_OBJECT_0)
            return &entry;
        if (entry.lastUse < oldest->lastUse)
            oldest = &entry;
    }
    return oldest;
}

void ProcessPathCache::Clear()
{
    CriticalSection::Lock lock(m_lock);
    for (Entry& entry : m_entries) {
        entry.process.reset();
        entry.processId = 0;
    }
}
