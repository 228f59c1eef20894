#pragma once
#include <windows.h>

// Windows refuses a program the style and the alpha of the windows of a program at a higher
// integrity level (user interface privilege isolation): a Paneveil that is not elevated may not
// change those of an elevated program (Task Manager, an administrator's terminal, installers), nor
// those of the system's own programs.

// Whether process `processId` runs elevated. A token that cannot be read counts as elevated: a
// program that is not elevated is refused exactly those (and other users', whose windows it may
// not change either).
bool IsProcessElevated(DWORD processId);

// The mandatory integrity level of the process's token (SECURITY_MANDATORY_..._RID); 0 when it
// cannot be read.
DWORD IntegrityLevel(DWORD processId);

// Whether this program may not change the windows of process `processId`: that one is at a
// higher integrity level, or elevated while this one is not. This program's own are asked once.
bool IsBeyondReach(DWORD processId);
