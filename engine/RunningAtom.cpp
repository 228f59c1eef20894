#include "RunningAtom.h"

#include <windows.h>

bool IsRunningAtomPresent()
{
    return GlobalFindAtomW(kRunningAtom) != 0;
}

void AddRunningAtom()
{
    GlobalAddAtomW(kRunningAtom);
}

void RemoveRunningAtom()
{
    for (ATOM atom = GlobalFindAtomW(kRunningAtom); atom != 0; atom = GlobalFindAtomW(kRunningAtom)) {
        if (GlobalDeleteAtom(atom) != 0)
            break;
    }
}
