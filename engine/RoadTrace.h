#pragma once
#include <atomic>

// The steps of one window's road from the hook's post to its alpha, so that bench/ can time each
// where it happens. Without a recorder (always, in the program) a step costs one load.
enum class RoadStep { WorkerWoke, Matched, HelperWoke, Answered, Marked, StyleSet, AlphaSet, Count };

using RoadRecorder = void (*)(RoadStep step);
inline std::atomic<RoadRecorder> g_roadRecorder{nullptr};

inline void RecordRoad(RoadStep step)
{
    if (const RoadRecorder recorder = g_roadRecorder.load(std::memory_order_relaxed))
        recorder(step);
}
