// Saves two different versions of a data file in turn until it is killed; the crash test of
// DataFileTests.cpp ends it at an arbitrary moment and then reads what is left.
#include "DataFile.h"

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    Settings settings[2];
    FilterList lists[2];
    for (int version = 0; version < 2; ++version) {
        settings[version].Reset();
        settings[version].globalTransparency = static_cast<uint8_t>(11 * (version + 1));
        for (int i = 0; i < 200; ++i) {
            const std::wstring pattern = (version ? L"b-" : L"a-") + std::to_wstring(i);
            lists[version].AddFilter(pattern.c_str(), static_cast<uint8_t>(10 * (version + 1)));
        }
    }
    for (unsigned saves = 0;; ++saves)
        SaveDataFile(argv[1], settings[saves % 2], lists[saves % 2]);
}
