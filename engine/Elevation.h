#pragma once
#include <windows.h>

// Windows refuses a program that is not elevated the style and the alpha of an elevated program's
// windows (Task Manager, an administrator's terminal, installers).

// Whether process `processId` runs elevated. A token that cannot be read counts as elevated: a
// program that is not elevated is refused exactly those (and other users', whose windows it may
// not change either).
bool IsProcessElevated(DWORD processId);

// Whether this program may not change the windows of process `processId`: that one is elevated
// and this one is not. This program's own elevation is asked once.
bool IsBeyondReach(DWORD processId);
