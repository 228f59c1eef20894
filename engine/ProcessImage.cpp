#include "ProcessImage.h"

#include <psapi.h>
#include <cwchar>

#include "LazyProc.h"
#include "UniqueHandle.h"

namespace {

LazyProc<DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD)> g_getProcessImageFileName(L"PSAPI.DLL",
                                                                          "GetProcessImageFileNameW");

} // namespace

bool MapDevicePathToDrive(wchar_t (&path)[kPathCapacity], const wchar_t* drive,
                          const wchar_t* deviceTarget)
{
    const size_t targetLength = wcslen(deviceTarget);
    // A bare occurrence would let \Device\HarddiskVolume1 claim \Device\HarddiskVolume10\...
    if (targetLength == 0 || _wcsnicmp(path, deviceTarget, targetLength) != 0 ||
        path[targetLength] != L'\\')
        return false;
    const size_t driveLength = wcslen(drive);
    const size_t restLength = wcslen(path + targetLength);
    if (driveLength + restLength >= kPathCapacity)
        return false;
    wmemmove(path + driveLength, path + targetLength, restLength + 1);
    wmemcpy(path, drive, driveLength);
    return true;
}

void GetProcessImagePath(DWORD processId, wchar_t (&path)[kPathCapacity])
{
    path[0] = L'\0';
    if (processId == 0)
        return;
    // Also for 64-bit programs seen from a 32-bit one, protected processes, and programs on
    // shares or on volumes without a drive letter, where the steps below find nothing.
    UniqueKernelHandle limited(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    DWORD length = kPathCapacity - 1;
    if (limited && QueryFullProcessImageNameW(limited.get(), 0, path, &length) && length > 0)
        return;
    path[0] = L'\0';
    UniqueKernelHandle full(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (full && GetModuleFileNameExW(full.get(), nullptr, path, kPathCapacity - 1) != 0)
        return;
    path[0] = L'\0';
    const HANDLE process = full ? full.get() : limited.get();
    if (!process)
        return;
    auto getImageFileName = g_getProcessImageFileName.Get();
    if (!getImageFileName || getImageFileName(process, path, kPathCapacity - 1) == 0) {
        path[0] = L'\0';
        return;
    }
    path[kPathCapacity - 1] = L'\0';

    wchar_t drives[128] = {};
    GetLogicalDriveStringsW(127, drives);
    for (const wchar_t* drive = drives; *drive; drive += wcslen(drive) + 1) {
        const wchar_t name[3] = {drive[0], L':', L'\0'};
        wchar_t target[kPathCapacity] = {};
        if (QueryDosDeviceW(name, target, kPathCapacity - 1) != 0 &&
            MapDevicePathToDrive(path, name, target))
            return;
    }
    path[0] = L'\0';
}
