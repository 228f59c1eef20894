#include "Elevation.h"

#include "UniqueHandle.h"

bool IsProcessElevated(DWORD processId)
{
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE token = nullptr;
    if (!process || !OpenProcessToken(process.get(), TOKEN_QUERY, &token))
        return GetLastError() == ERROR_ACCESS_DENIED;
    UniqueKernelHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(owned.get(), TokenElevation, &elevation, sizeof elevation, &size)
           && elevation.TokenIsElevated != 0;
}

bool IsBeyondReach(DWORD processId)
{
    static const bool elevated = IsProcessElevated(GetCurrentProcessId());
    return !elevated && processId != 0 && IsProcessElevated(processId);
}
