// Measures FilterList::MatchWindow: nanoseconds per window for lists of 10, 50 and 200 filters,
// for windows that the first filter, the last filter or no filter matches, and counts the heap
// allocations made during the calls.
#include "FilterList.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <new>

namespace {

volatile long g_allocations = 0;

} // namespace

// GNU ld's --wrap routes every malloc, calloc and realloc of the program through these; other
// toolchains count operator new only.
#if defined(__GNUC__)
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);

void* __wrap_malloc(size_t size)
{
    InterlockedIncrement(&g_allocations);
    return __real_malloc(size);
}

void* __wrap_calloc(size_t count, size_t size)
{
    InterlockedIncrement(&g_allocations);
    return __real_calloc(count, size);
}

void* __wrap_realloc(void* block, size_t size)
{
    InterlockedIncrement(&g_allocations);
    return __real_realloc(block, size);
}
}
#define PV_RAW_MALLOC __real_malloc
constexpr long kCountedByProbe = 3;   // malloc, new, AddFilter's new
#else
#define PV_RAW_MALLOC std::malloc
constexpr long kCountedByProbe = 2;   // new, AddFilter's new
#endif

// Counted directly as well, in case the C++ runtime's operator new does not reach malloc
// through a wrapped reference.
void* operator new(size_t size)
{
    InterlockedIncrement(&g_allocations);
    return PV_RAW_MALLOC(size ? size : 1);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    InterlockedIncrement(&g_allocations);
    return PV_RAW_MALLOC(size ? size : 1);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, size_t) noexcept
{
    std::free(block);
}

namespace {

const uint8_t kFirst = 11;
const uint8_t kLast = 22;
const uint8_t kOther = 33;

struct Window {
    const char* name;
    const wchar_t* imagePath;
    const wchar_t* className;
    const wchar_t* title;
    bool matches;
    uint8_t transparency;
};

const Window kWindows[] = {
    {"first filter", L"C:\\Program Files\\Mozilla Firefox\\firefox.exe", L"MozillaWindowClass",
     L"Release notes - Mozilla Firefox", true, kFirst},
    {"last filter", L"C:\\Program Files\\Microsoft Office\\root\\Office16\\WINWORD.EXE", L"OpusApp",
     L"Quarterly report.docx - Word", true, kLast},
    {"no filter", L"C:\\Windows\\System32\\cmd.exe", L"ConsoleWindowClass",
     L"Administrator: Command Prompt", false, 0},
};

// Filters that none of the windows above matches: full program paths, *.exe globs in program
// folders, and title words with '?'.
void FillerPattern(int i, wchar_t* pattern, size_t capacity)
{
    switch (i % 3) {
    case 0:
        swprintf(pattern, capacity, L"C:\\Program Files\\Vendor%d\\Application %d\\app%d.exe", i, i, i);
        break;
    case 1:
        swprintf(pattern, capacity, L"C:\\Program Files (x86)\\Games\\Title%d\\*.exe", i);
        break;
    default:
        swprintf(pattern, capacity, L"Untitled %d - Note?ad", i);
        break;
    }
}

// Head: a path glob for the first window. Tail: a title word with '?' for the second.
bool BuildList(FilterList& list, int count)
{
    bool ok = list.AddFilter(L"Qu?rterly report", kLast);
    wchar_t pattern[kMaxPatternLength + 1];
    for (int i = 0; i < count - 2; ++i) {
        FillerPattern(i, pattern, kMaxPatternLength + 1);
        ok = list.AddFilter(pattern, kOther) && ok;
    }
    return list.AddFilter(L"C:\\Program Files\\Mozilla Firefox\\*.exe", kFirst) && ok;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

} // namespace

int wmain()
{
    const int kSizes[] = {10, 50, 200};
    const int kRepeats = 7;
    bool allCorrect = true;

    std::printf("MatchWindow, best of %d runs of about 0.1 s each\n\n", kRepeats);
    std::printf("%8s  %-13s  %10s  %12s  %s\n", "filters", "window", "ns/window", "calls", "allocations");
    for (int size : kSizes) {
        FilterList list;
        if (!BuildList(list, size)) {
            std::printf("could not build a list of %d filters\n", size);
            return 1;
        }
        for (const Window& window : kWindows) {
            uint8_t transparency = 0;
            const bool matched = list.MatchWindow(window.imagePath, window.className, window.title, &transparency);
            if (matched != window.matches || (matched && transparency != window.transparency)) {
                std::printf("%8d  %-13s  wrong result\n", size, window.name);
                allCorrect = false;
                continue;
            }
            // Enough calls for about 0.1 s, from a short calibration run.
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            for (int i = 0; i < 1000; ++i)
                list.MatchWindow(window.imagePath, window.className, window.title, &transparency);
            QueryPerformanceCounter(&end);
            const long calls = std::max(1000L, long(0.1 / std::max(Seconds(start, end) / 1000, 1e-9)));

            double best = 1e30;
            long allocations = 0;
            for (int repeat = 0; repeat < kRepeats; ++repeat) {
                const long before = g_allocations;
                QueryPerformanceCounter(&start);
                for (long i = 0; i < calls; ++i)
                    list.MatchWindow(window.imagePath, window.className, window.title, &transparency);
                QueryPerformanceCounter(&end);
                allocations += g_allocations - before;
                best = std::min(best, Seconds(start, end) * 1e9 / double(calls));
            }
            std::printf("%8d  %-13s  %10.0f  %12ld  %ld\n", size, window.name, best, calls * kRepeats, allocations);
        }
    }

    // The counter itself must see allocations, or a zero above would prove nothing.
    const long before = g_allocations;
    void* volatile block = std::malloc(16);
    int* volatile object = new int(1);
    FilterList probe;
    probe.AddFilter(L"probe", 1);
    const long seen = g_allocations - before;
    std::free(block);
    delete object;
    std::printf("\ncounter check: malloc + new + AddFilter counted %ld allocations (expect %ld)\n", seen,
                kCountedByProbe);
    return allCorrect && seen == kCountedByProbe ? 0 : 1;
}
