#pragma once
#include "DataFile.h"

// BuildDataFilePath's composition from a given documents folder: appends Kestro\Paneveil,
// creates those folders and appends Paneveil.dat. Leaves `path` empty and returns false when the
// folder is empty or the result would leave no room for the temporary file a save needs.
bool ComposeDataFilePath(const wchar_t* documentsFolder, wchar_t (&path)[kPathCapacity]);
