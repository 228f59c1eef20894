#pragma once
#include <windows.h>
#include "DataFile.h"

// The full drive-letter path of a process's executable; empty when it cannot be found. The
// process must be opened with PROCESS_QUERY_INFORMATION and PROCESS_VM_READ.
void GetProcessImagePath(HANDLE process, wchar_t (&path)[kPathCapacity]);

// If `path` (an NT device path) lies on the device `deviceTarget`, that is, begins with it
// followed by a backslash, rewrites it in place to `drive` ("C:") and the rest and returns true.
// Otherwise leaves `path` as it was and returns false.
bool MapDevicePathToDrive(wchar_t (&path)[kPathCapacity], const wchar_t* drive,
                          const wchar_t* deviceTarget);
