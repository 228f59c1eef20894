#pragma once
#include <windows.h>

// Brings a window of this program to the foreground even while another program's thread owns
// the foreground.
bool ForceForegroundWindow(HWND window);
