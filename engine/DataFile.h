#pragma once
#include "FilterList.h"
#include "Settings.h"

constexpr size_t kPathCapacity = 261;   // 260 characters and the NUL

// Composes Documents\Kestro\Paneveil\Paneveil.dat and creates its folders. Leaves `path` empty
// (and returns false) when the documents folder is unknown or the result would not fit, with
// room for the temporary file a save writes next to it (folder at most MAX_PATH - 14).
bool BuildDataFilePath(wchar_t (&path)[kPathCapacity]);

// The data file: "PV01", 12 zero bytes, the settings record, the filter count and records.
bool LoadDataFile(const wchar_t* path, Settings& settings, FilterList& filters);
// Writes the whole file next to the old one and replaces it in one step, so a failed save
// leaves the previous file as it was.
bool SaveDataFile(const wchar_t* path, const Settings& settings, FilterList& filters);
// Only the filters of the data file, into `filters`; they stay as they were when it cannot be read.
bool LoadDataFileFilters(const wchar_t* path, FilterList& filters);
