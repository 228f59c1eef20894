#include "Elevation.h"

#include "UniqueHandle.h"

namespace {

UniqueKernelHandle QueryToken(DWORD processId)
{
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE token = nullptr;
    if (!process || !OpenProcessToken(process.get(), TOKEN_QUERY, &token))
        return UniqueKernelHandle();
    return UniqueKernelHandle(token);
}

} // namespace

bool IsProcessElevated(DWORD processId)
{
    const UniqueKernelHandle token = QueryToken(processId);
    if (!token)
        return GetLastError() == ERROR_ACCESS_DENIED;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)
           && elevation.TokenIsElevated != 0;
}

DWORD IntegrityLevel(DWORD processId)
{
    const UniqueKernelHandle token = QueryToken(processId);
    // The label and its one-authority SID fit in far less.
    alignas(TOKEN_MANDATORY_LABEL) BYTE label[64];
    DWORD size = 0;
    if (!token || !GetTokenInformation(token.get(), TokenIntegrityLevel, label, sizeof label, &size))
        return 0;
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label)->Label.Sid;
    const UCHAR authorities = *GetSidSubAuthorityCount(sid);
    return authorities ? *GetSidSubAuthority(sid, authorities - 1) : 0;
}

bool IsBeyondReach(DWORD processId)
{
    static const bool elevated = IsProcessElevated(GetCurrentProcessId());
    static const DWORD level = IntegrityLevel(GetCurrentProcessId());
    if (processId == 0 || processId == GetCurrentProcessId())
        return false;
    return IntegrityLevel(processId) > level || (!elevated && IsProcessElevated(processId));
}
