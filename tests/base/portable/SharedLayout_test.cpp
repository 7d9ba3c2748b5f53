#include "base/portable/SharedLayout.h"

#include <gtest/gtest.h>

// A block is filled in only when blank and large enough for the layout, and read only when its
// header names this very layout in a block that holds all of it.
TEST(SharedLayout, OnlyABlankBlockOfRoomEnoughIsFilledAndOnlyTheSameLayoutIsRead) {
    constexpr std::uint32_t kVersion = 3;
    constexpr std::uint32_t kSize = 5000;
    const struct {
        SharedLayoutHeader header;
        std::size_t cbMapped;
        SharedLayoutFit fit;
    } cases[] = {
        {{0, 0, 0, 0}, 8192, SharedLayoutFit::kBlank},
        {{0, 0, 0, 0}, 4096, SharedLayoutFit::kOther},  // another layout's smaller block
        {{kSharedLayoutMagic, kVersion, kSize, 0}, 8192, SharedLayoutFit::kSame},
        {{kSharedLayoutMagic, kVersion + 1, kSize, 0}, 8192, SharedLayoutFit::kOther},
        {{kSharedLayoutMagic, kVersion, kSize + 8, 0}, 8192, SharedLayoutFit::kOther},
        {{kSharedLayoutMagic, kVersion, kSize, 0}, 4096, SharedLayoutFit::kOther},  // a lie
        {{0, kVersion, kSize, 0}, 8192, SharedLayoutFit::kOther},  // not marked as filled in
        {{kSharedLayoutMagic, kVersion, kSize, 0}, 8, SharedLayoutFit::kOther},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitOfSharedLayout(c.header, c.cbMapped, kVersion, kSize), c.fit)
            << c.header.uMagic << " " << c.header.uVersion << " " << c.header.uSize << " "
            << c.cbMapped;
    }
}
