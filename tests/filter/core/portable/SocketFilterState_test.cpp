#include "filter/core/portable/SocketFilterState.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

TEST(SocketFilterState, DefaultsAndBoundedCopies) {
    SocketFilterState state;
    EXPECT_STREQ(state.category, "Null");
    EXPECT_STREQ(state.host, "");
    EXPECT_EQ(state.isHttp + state.webPageBlocked + state.redirected + state.allowed +
                  state.responseChecked + state.policyApplied,
              0);
    state.SetCategory(std::string(100, 'c'));
    EXPECT_EQ(std::string(state.category).size(), 30u);
    state.SetHost(std::string(5000, 'h'));
    EXPECT_EQ(std::string(state.host).size(), 1024u);
}

TEST(SocketFilterTable, StoreLookUpAndRemoveAcrossBucketsAndBlocks) {
    SocketFilterTable table;
    // Handles that share buckets (same value >> 4 modulo 17) and more than one block.
    std::vector<std::uint32_t> handles;
    for (std::uint32_t i = 0; i < 40; ++i) {
        handles.push_back(0x100 + i * 17 * 16);
        handles.push_back(0x104 + i * 4);
    }
    for (const std::uint32_t h : handles) {
        SocketFilterState state;
        state.SetHost("host-" + std::to_string(h));
        table.Store(h, state);
    }
    EXPECT_EQ(table.Count(), handles.size());
    for (const std::uint32_t h : handles) {
        const auto state = table.Lookup(h);
        ASSERT_TRUE(state.has_value()) << h;
        EXPECT_EQ(std::string(state->host), "host-" + std::to_string(h));
    }
    SocketFilterState replaced;
    replaced.isHttp = 1;
    table.Store(handles[3], replaced);
    EXPECT_EQ(table.Lookup(handles[3])->isHttp, 1);
    EXPECT_EQ(table.Count(), handles.size());

    EXPECT_FALSE(table.Lookup(0xDEAD).has_value());
    table.Remove(0xDEAD);
    for (const std::uint32_t h : handles) {
        table.Remove(h);
        EXPECT_FALSE(table.Lookup(h).has_value());
    }
    EXPECT_EQ(table.Count(), 0u);
    table.Store(7, SocketFilterState());
    EXPECT_TRUE(table.Lookup(7).has_value());
}

TEST(SocketFilterTable, ConcurrentUseKeepsTheTableWhole) {
    SocketFilterTable table;
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < 4; ++t) {
        threads.emplace_back([&table, t] {
            for (std::uint32_t i = 0; i < 2000; ++i) {
                const std::uint32_t h = t * 100000 + (i % 50) * 4;
                table.Store(h, SocketFilterState());
                table.Lookup(h);
                if (i % 3 == 0) {
                    table.Remove(h);
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_LE(table.Count(), 200u);
}
