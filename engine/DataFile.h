#pragma once
#include "FilterList.h"
#include "Settings.h"

#include <string>

constexpr size_t kPathCapacity = 261;   // 260 characters and the NUL

// A portable copy's data file, Paneveil.dat beside the program, if there is one (Documents is then
// neither read nor written); else Documents\Kestro\Paneveil\Paneveil.dat, whose folders it
// creates. Leaves `path` empty (and returns false) when the documents folder is unknown or the result would not fit, with
// room for the temporary file a save writes next to it (folder at most MAX_PATH - 14).
bool BuildDataFilePath(wchar_t (&path)[kPathCapacity]);

// What a read of the data file found. Missing: the file or its folder is not there (the first
// start), or the file is empty. Damaged: read, but not wholly valid; what could be taken was: the settings record if it
// was whole (else the defaults), and the filter records before the damage. Unreadable: there,
// but it could not be opened or read, so nothing was taken and nothing may be written over it.
enum class DataFileRead { Loaded, Missing, Damaged, Unreadable };

// How long a read waits for a file that is there but unreadable: another program may hold it
// without sharing for a moment, and at log-on a redirected Documents folder can arrive late.
constexpr DWORD kDataFileWaitMilliseconds = 5000;

// The data file: "PV01", 12 zero bytes, the settings record, the filter count and records.
// Opened with full sharing, so that a reader elsewhere does not keep it from being read. While it
// is unreadable it is tried again for up to `waitMilliseconds`; `error` gets the system's reason
// of the last failure (ERROR_SUCCESS after a read); `settingsRead` whether the settings record
// was taken from the file.
DataFileRead ReadDataFile(const wchar_t* path, Settings& settings, FilterList& filters, DWORD waitMilliseconds,
                          DWORD* error = nullptr, bool* settingsRead = nullptr);
// Copies a damaged data file, byte for byte, beside it as "Paneveil damaged <date> <time>.dat",
// never over another file; `copy` gets the copy's path.
bool CopyDamagedDataFile(const wchar_t* path, std::wstring& copy);
// True only when the whole file was read; no waiting.
bool LoadDataFile(const wchar_t* path, Settings& settings, FilterList& filters);
// Writes the whole file next to the old one and replaces it in one step, so a failed save
// leaves the previous file as it was. `error` gets the system's reason of a failure.
bool SaveDataFile(const wchar_t* path, const Settings& settings, FilterList& filters, DWORD* error = nullptr);
