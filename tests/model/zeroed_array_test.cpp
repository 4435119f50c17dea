#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "model/huge_pages.h"

namespace quorvane {
namespace {

// A fresh array reads as zero bytes however large, again after it was written and assigned anew,
// and moving it hands over the storage.
TEST(ZeroedArray, StartsAsZeroBytesAndMovesItsStorage) {
    ZeroedArray<std::uint32_t> ids;
    EXPECT_EQ(ids.size(), 0u);
    EXPECT_EQ(ids.data(), nullptr);
    constexpr std::size_t kCount = std::size_t{3} << 20;  // 12 MiB, several huge pages
    ids.AssignZeroed(kCount);
    ASSERT_EQ(ids.size(), kCount);
    for (const std::size_t i : {std::size_t{0}, kCount / 2, kCount - 1}) {
        EXPECT_EQ(ids[i], 0u) << i;
        ids[i] = 7u;
    }
    ids.AssignZeroed(kCount);
    for (const std::size_t i : {std::size_t{0}, kCount / 2, kCount - 1}) {
        EXPECT_EQ(ids[i], 0u) << i;
    }
    ids[5] = 9u;
    ZeroedArray<std::uint32_t> moved(std::move(ids));
    EXPECT_EQ(ids.size(), 0u);
    EXPECT_EQ(moved.size(), kCount);
    EXPECT_EQ(moved[5], 9u);
    moved.AssignZeroed(0);
    EXPECT_EQ(moved.data(), nullptr);
}

}  // namespace
}  // namespace quorvane
