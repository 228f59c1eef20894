#pragma once
#include <windows.h>

#include "CriticalSection.h"
#include "DataFile.h"
#include "UniqueHandle.h"

// The program paths of the processes that own windows, looked up once per process rather than
// once per window. Each entry keeps its process open: while a handle is open the system never
// gives the process id to another process, so an id found here still means the same process.
// Safe for the worker and the user-interface thread at once.
class ProcessPathCache {
public:
    // Fills `path` with the program path of process `processId`; empty when it cannot be found.
    // `beyondReach`, if given, says whether the process is elevated while this one is not, asked
    // once per process.
    void Lookup(DWORD processId, wchar_t (&path)[kPathCapacity], bool* beyondReach = nullptr);
    // Lets go of every process.
    void Clear();

    static constexpr int kCapacity = 128;

private:
    struct Entry {
        DWORD processId = 0;
        DWORD lastUse = 0;
        bool beyondReach = false;
        UniqueKernelHandle process;
        wchar_t path[kPathCapacity] = {};
    };
    Entry* SlotForNewEntry();

    CriticalSection m_lock;
    Entry m_entries[kCapacity];
    DWORD m_uses = 0;
};
