#include "FilterList.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(FilterListConcurrency, MatchWindowOnlySeesStatesTheListReallyHad)
{
    FilterList list;
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(list.AddFilter((L"C:\\Other\\prog" + std::to_wstring(i) + L".exe").c_str(), 5));

    // Filters that match the reader's window carry distinct values, so that each list state has
    // one known result (-1: no match) and a torn state shows up as a value no state has.
    const std::vector<std::pair<std::function<bool(FilterList&)>, int>> cycle = {
        {[](FilterList& l) { return l.AddFilter(L"Editor", 50); }, 50},
        {[](FilterList& l) { return l.AddFilter(L"target", 11); }, 11},
        {[](FilterList& l) { return l.ModifyFilter(L"target", L"no such window", 12); }, 50},
        {[](FilterList& l) { return l.ModifyFilter(L"no such window", L"TARGET.EXE", 13); }, 13},
        {[](FilterList& l) { return l.AddFilter(L"*.exe", 14); }, 14},
        {[](FilterList& l) { return l.MoveFilterDown(L"*.exe"); }, 13},
        {[](FilterList& l) { return l.MoveFilterUp(L"*.exe"); }, 14},
        {[](FilterList& l) { return l.MoveFilterDown(L"*.exe"); }, 13},
        {[](FilterList& l) { return l.RemoveFilter(L"TARGET.EXE"); }, 14},
        {[](FilterList& l) { return l.RemoveFilter(L"*.exe"); }, 50},
        {[](FilterList& l) { return l.ModifyFilter(L"editor", L"EDITOR", 0); }, 0},
        {[](FilterList& l) { return l.RemoveFilter(L"Editor"); }, -1},
    };
    const int kRounds = 1500;
    const int totalSteps = kRounds * static_cast<int>(cycle.size());
    auto expectedAfter = [&](int completed) { return completed ? cycle[(completed - 1) % cycle.size()].second : -1; };

    std::atomic<int> completed{0};
    std::atomic<int> reads{0};
    std::atomic<bool> done{false};
    std::vector<int> inconsistent;
    std::thread reader([&] {
        while (!done.load()) {
            const int before = completed.load();
            uint8_t transparency = 255;
            const bool matched = list.MatchWindow(L"C:\\Program Files\\Target\\target.exe", L"TargetWindowClass",
                                                  L"Target Document - Editor", &transparency);
            const int after = completed.load();
            const int result = matched ? transparency : -1;
            // The list was read between `before` and `after` + 1 completed edits: `after` may be
            // read just before the edit that was already finished records itself.
            bool seen = false;
            for (int k = before; k <= after + 1 && k <= totalSteps && !seen; ++k)
                seen = expectedAfter(k) == result;
            if (!seen && inconsistent.size() < 10)
                inconsistent.push_back(result);
            ++reads;
        }
    });

    bool editsOk = true;
    for (int round = 0; round < kRounds; ++round) {
        // Waits for the reader now and then, so that reads really fall among the edits.
        const int readsBefore = reads.load();
        while (reads.load() == readsBefore)
            std::this_thread::yield();
        for (const auto& step : cycle) {
            editsOk = step.first(list) && editsOk;
            completed.fetch_add(1);
        }
    }
    done = true;
    reader.join();

    EXPECT_TRUE(editsOk);
    EXPECT_TRUE(inconsistent.empty()) << "first unexpected result: " << inconsistent.front();
    EXPECT_GE(reads.load(), kRounds);
}

} // namespace
