#pragma once
#include <windows.h>

#include <initializer_list>

// A Paneveil started as administrator refuses messages from programs that run with less: the
// shell's tray, a second start of Paneveil, the hook library inside other programs. What it must
// hear is let through by message. Both calls are looked up at run time (Windows 7 and Vista on)
// and do nothing where the system has no such filter.

// The messages let through to one window.
void AllowToWindowFromLowerPrograms(HWND window, std::initializer_list<UINT> messages);
// A message let through to the whole process, for a thread's messages: the worker has no window.
void AllowToProcessFromLowerPrograms(UINT message);
