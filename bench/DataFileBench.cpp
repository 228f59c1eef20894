// Loads damaged data files of many tiny filter records (12 bytes each, a distinct pattern of four
// characters) and prints the time per record, which must not grow with their number: a check of
// each record against every earlier one made 50,000 records take seconds. The floor beside it is
// the same file read with the ReadFile calls the loader makes (one pass to the end, then two
// reads a record), without building a list.
#include "DataFile.h"
#include "RecordIo.h"
#include "UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Append(std::vector<uint8_t>& bytes, const void* data, size_t size)
{
    const auto* first = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), first, first + size);
}

bool WriteImage(const std::wstring& path, uint32_t count)
{
    std::vector<uint8_t> bytes = {'P', 'V', '0', '1', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Settings settings;
    settings.Reset();
    Append(bytes, &settings, sizeof settings);
    Append(bytes, &count, sizeof count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t size = 12;
        wchar_t pattern[4];
        for (int digit = 0, rest = int(i); digit < 4; ++digit, rest /= 36)
            pattern[digit] = L"0123456789abcdefghijklmnopqrstuvwxyz"[rest % 36];
        Append(bytes, &size, sizeof size);
        Append(bytes, pattern, sizeof pattern);
    }
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return file && WriteExactly(file.get(), bytes.data(), DWORD(bytes.size()));
}

double FloorMilliseconds(const std::wstring& path, uint32_t count)
{
    const auto start = Clock::now();
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<uint8_t> buffer(64 * 1024);
    for (DWORD read = 1; read != 0;)
        ReadFile(file.get(), buffer.data(), DWORD(buffer.size()), &read, nullptr);
    SetFilePointer(file.get(), 16 + sizeof(Settings) + 4, nullptr, FILE_BEGIN);
    for (uint32_t i = 0; i < count; ++i)
        ReadExactly(file.get(), buffer.data(), 4) && ReadExactly(file.get(), buffer.data(), 8);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int wmain()
{
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"pv_data_file_bench.dat";
    std::printf("%8s %10s %10s %8s %12s\n", "records", "load ms", "floor ms", "ratio", "us/record");
    int failures = 0;
    for (uint32_t count : {5000u, 10000u, 25000u, 50000u}) {
        if (!WriteImage(path, count))
            return 1;
        double load = 1e9, floor = 1e9;
        for (int run = 0; run < 3; ++run) {
            Settings settings;
            settings.Reset();
            FilterList filters;
            const auto start = Clock::now();
            const DataFileRead read = ReadDataFile(path.c_str(), settings, filters, 0);
            load = std::min(load, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            floor = std::min(floor, FloorMilliseconds(path, count));
            failures += read != DataFileRead::Loaded || filters.GetFilters().size() != count;
        }
        std::printf("%8u %10.1f %10.1f %8.2f %12.2f\n", count, load, floor, load / floor, 1000.0 * load / count);
    }
    DeleteFileW(path.c_str());
    return failures ? 1 : 0;
}
