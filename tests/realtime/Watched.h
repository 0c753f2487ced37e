// The allocation and lock counter of the real-time test program: calls made on a
// thread while its tWatched is set are counted in gCalls.
#pragma once

#include <atomic>

extern thread_local bool tWatched;
extern std::atomic<long> gCalls;
