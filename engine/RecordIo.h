#pragma once
#include <windows.h>
#include <cstdint>

// Reads and writes that succeed only when every byte was transferred.
bool ReadExactly(HANDLE file, void* data, DWORD size);
bool WriteExactly(HANDLE file, const void* data, DWORD size);

// Reads a record that begins with its own 32-bit length into `record`, whose layout is
// `knownSize` bytes long and also begins with that length. Only the bytes both layouts have are
// taken (the record's own length field is kept); a longer stored record's extra bytes are
// skipped; a stored length of 1 to 3 counts as `knownSize`. A short read leaves the bytes it
// got in the record and fails. `storedSize`, if given, gets the length the file gave.
bool ReadSelfSizedRecord(HANDLE file, void* record, uint32_t knownSize, uint32_t* storedSize = nullptr);
