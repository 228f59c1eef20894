#pragma once

// The global atom "PV_RUNNING_ATOM" marks that hook mode runs; an abnormal end leaves it behind
// for the next start-up to find.
constexpr wchar_t kRunningAtom[] = L"PV_RUNNING_ATOM";

bool IsRunningAtomPresent();
void AddRunningAtom();
// Deletes every reference to the atom, however many times it was added; stops if a delete fails.
void RemoveRunningAtom();
