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
    void Lookup(DWORD processId, wchar_t (&path)[kPathCapacity]);
    // Lets go of every process.
    void Clear();

    static constexpr int kCapacity = 128;

private:
    struct Entry {
        DWORD processId = 0;
        DWORD lastUse = 0;
        UniqueKernelHandle process;
        wchar_t path[kPathCapacity] = {};
    };
    Entry* SlotForNewEntry();

    CriticalSection m_lock;
    Entry m_entries[kCapacity];
    DWORD m_uses = 0;
};
