#pragma once
// Linux's /proc read through Wine's Z: drive: what the benches measure of processes Windows cannot
// see into under Wine (their memory, their processor time, the server's and the display's).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "TestSupport.h"

inline std::string ReadLinuxFile(const std::wstring& path)
{
    Bytes bytes;
    return ReadWholeFile(L"Z:" + path, bytes) ? std::string(bytes.begin(), bytes.end()) : std::string();
}

// User and system clock ticks of /proc/<pid>/stat (fields 14 and 15, after the name in brackets).
inline long long ProcessorTicks(const std::wstring& pid)
{
    const std::string stat = ReadLinuxFile(L"\\proc\\" + pid + L"\\stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    const char* field = stat.c_str() + close + 2;
    long long values[13] = {};
    for (long long& value : values) {
        while (*field && *field != ' ')
            ++field;
        value = std::strtoll(field, const_cast<char**>(&field), 10);
    }
    return values[11] + values[12];
}
