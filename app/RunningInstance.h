#pragma once
#include <windows.h>

// The running instance's mutex, and the message a second start sends to ask it to show itself.
constexpr wchar_t kInstanceName[] = L"Paneveil_Mutex";
// WM_COPYDATA's dwData when an import hands a running instance its filters: the list as UTF-8
// text (FilterText.h), which the instance takes in place of its own and saves.
constexpr ULONG_PTR kImportFiltersData = 0x50564649;   // PVFI
// WM_COPYDATA's dwData of a command-line switch (RemoteCommand.h): a RemoteRequest.
constexpr ULONG_PTR kRemoteCommandData = 0x50565243;   // PVRC

bool InstanceRuns();
// Sends the running instance's main window a WM_COPYDATA and waits for its answer. One that is
// still starting is waited for until its window exists. False when no instance answered.
bool SendToRunningInstance(ULONG_PTR kind, const void* data, DWORD size, DWORD_PTR& answer);
