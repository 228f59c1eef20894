#include "RecordIo.h"

#include <algorithm>

bool ReadExactly(HANDLE file, void* data, DWORD size)
{
    DWORD done = 0;
    return ReadFile(file, data, size, &done, nullptr) && done == size;
}

bool WriteExactly(HANDLE file, const void* data, DWORD size)
{
    DWORD done = 0;
    return WriteFile(file, data, size, &done, nullptr) && done == size;
}

bool ReadSelfSizedRecord(HANDLE file, void* record, uint32_t knownSize, uint32_t* stored)
{
    uint32_t storedSize = 0;
    const bool sized = ReadExactly(file, &storedSize, sizeof(storedSize));
    if (stored)
        *stored = storedSize;
    if (!sized || storedSize == 0)
        return false;
    // Unsigned on purpose: a stored length of 1 to 3 wraps around and counts as the known one.
    const uint32_t length = std::min<uint32_t>(storedSize - 4, knownSize - 4);
    if (!ReadExactly(file, static_cast<uint8_t*>(record) + 4, length))
        return false;
    if (storedSize > knownSize) {
        // 64-bit distance: SetFilePointer's signed 32-bit one would move backwards for a stored
        // length above 2 GB and make the reader loop over the same bytes.
        LARGE_INTEGER skip;
        skip.QuadPart = static_cast<LONGLONG>(storedSize - knownSize);
        if (!SetFilePointerEx(file, skip, nullptr, FILE_CURRENT))
            return false;
    }
    return true;
}
