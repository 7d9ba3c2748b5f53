// The count of processes with the filter loaded, changed by many at once.
#include "filter/core/SharedFilterState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(SharedFilterState, ProcessesComingAndGoingAtOnceLoseNoCount) {
    TheSharedState().processCount = 3;
    constexpr int kRounds = 2000000;
    // Called through pointers the compiler cannot see through, so that every call changes
    // the count on its own, as separate processes do.
    void (*volatile pfnIn)() = CountProcessIn;
    void (*volatile pfnOut)() = CountProcessOut;
    std::atomic<bool> bGo{false};
    const auto repeat = [&](void (*volatile & pfn)()) {
        return [&] {
            while (!bGo.load()) {
                std::this_thread::yield();
            }
            for (int i = 0; i < kRounds; ++i) {
                pfn();
            }
        };
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back(repeat(pfnIn));
        threads.emplace_back(repeat(pfnOut));
    }
    bGo.store(true);
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(ProcessCount(), 3);
}
