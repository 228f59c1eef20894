#pragma once
#include <windows.h>
#include "DataFile.h"

// The full path of process `processId`'s executable; empty when it cannot be found. Asks
// QueryFullProcessImageNameW with limited access first, then the module list, then the NT device
// path mapped to a drive letter.
void GetProcessImagePath(DWORD processId, wchar_t (&path)[kPathCapacity]);

// If `path` (an NT device path) lies on the device `deviceTarget`, that is, begins with it
// followed by a backslash, rewrites it in place to `drive` ("C:") and the rest and returns true.
// Otherwise leaves `path` as it was and returns false.
bool MapDevicePathToDrive(wchar_t (&path)[kPathCapacity], const wchar_t* drive,
                          const wchar_t* deviceTarget);
