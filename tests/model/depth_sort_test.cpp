// The depth sort on its own: the reference heap sort's arrangement of equal keys, and the fast
// sort checked against it on random keys of every kind.
#include "model/depth_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

namespace quorvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(DepthOrder, LiteralHeapSortLeavesEqualKeysInItsOwnArrangement) {
    struct Case {
        std::vector<double> keys;
        std::vector<int> start;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {{1, 1, 1, 1}, {0, 1, 2, 3}, {1, 3, 0, 2}},  // not the stable order 0 1 2 3
        {{1, 1, 1}, {0, 1, 2}, {0, 1, 2}},
        {{kNaN, 1, 2}, {0, 1, 2}, {2, 1, 0}},
        {{-0.0, 0.0, 1}, {0, 1, 2}, {2, 0, 1}},  // -0 and +0 are equal keys
        {{3, 1, 2, 5, 4}, {4, 2, 0, 1, 3}, {3, 4, 0, 2, 1}},
        {{7}, {0}, {0}},
        {{}, {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> order = c.start;
        HeapSortByDepthLiteral(order, c.keys.data());
        EXPECT_EQ(order, c.expected);
        DepthSortScratch scratch;
        std::vector<int> fast = c.start;
        SortOrderByDepth(fast, c.keys.data(), scratch);
        EXPECT_EQ(fast, c.expected);
    }
}

enum class KeyKind {
    kDistinct,
    kFewValues,
    kTwoValues,
    kAllEqual,
    kMirroredPairs,  // every value twice, as a symmetric model gives
    kWithNaN,
    kFewValuesWithNaN,
    kWithInfinity,
    kSignedZeros,
    kClustered,         // nearly all keys in a tiny interval: buckets must be split again
    kClusteredWithTie,  // the same with one equal pair hidden in the cluster
    kWideRange,         // magnitudes from 2^-40 to 2^40
    kSmooth,            // distinct keys that change little from one number to the next, as a mesh's
    kSmoothWithTie,     // the same with one neighbouring pair equal
    kSmoothWithNaN,     // the same with one NaN
};

std::vector<double> RandomKeys(KeyKind kind, std::size_t n, std::mt19937_64& random) {
    std::uniform_real_distribution<double> real(0.0, 100.0);
    std::uniform_int_distribution<int> few(0, 7);
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<double> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        double& key = keys[i];
        switch (kind) {
            case KeyKind::kDistinct:
                key = real(random);
                break;
            case KeyKind::kFewValues:
                key = few(random) * 0.5;
                break;
            case KeyKind::kTwoValues:
                key = percent(random) < 50 ? 1.0 : 2.0;
                break;
            case KeyKind::kAllEqual:
                key = 2.5;
                break;
            case KeyKind::kMirroredPairs:
                key = i % 2 == 1 ? keys[i - 1] : real(random);
                break;
            case KeyKind::kWithNaN:
                key = percent(random) < 10 ? kNaN : real(random);
                break;
            case KeyKind::kFewValuesWithNaN:
                key = percent(random) < 3 ? kNaN : few(random);
                break;
            case KeyKind::kWithInfinity:
                key = percent(random) < 5 ? kInf : real(random);
                break;
            case KeyKind::kSignedZeros:
                key = percent(random) < 20 ? (percent(random) < 50 ? -0.0 : 0.0) : real(random);
                break;
            case KeyKind::kClustered:
            case KeyKind::kClusteredWithTie:
                key = percent(random) < 2 ? real(random) * 1e4 : 1.0 + real(random) * 1e-8;
                break;
            case KeyKind::kWideRange:
                key = std::exp2(real(random) * 0.8 - 40.0);
                break;
            case KeyKind::kSmooth:
            case KeyKind::kSmoothWithTie:
            case KeyKind::kSmoothWithNaN:
                key = 50.0 + 40.0 * std::sin(static_cast<double>(i) * 1e-3) + real(random) * 1e-9;
                break;
        }
    }
    if ((kind == KeyKind::kSmoothWithTie || kind == KeyKind::kSmoothWithNaN) && n >= 2) {
        const std::size_t p = std::uniform_int_distribution<std::size_t>(0, n - 2)(random);
        keys[p + 1] = kind == KeyKind::kSmoothWithTie ? keys[p] : kNaN;
    }
    if (kind == KeyKind::kClusteredWithTie && n >= 2) {
        std::uniform_int_distribution<std::size_t> position(0, n - 1);
        keys[position(random)] = keys[position(random)];
    }
    if (kind == KeyKind::kMirroredPairs) {
        std::shuffle(keys.begin(), keys.end(), random);
    }
    return keys;
}

// Sorts a shuffled start order both ways and returns the path the fast sort took.
DepthSortPath ExpectSameOrderAsLiteral(const std::vector<double>& keys, std::mt19937_64& random,
                                       DepthSortScratch& scratch) {
    std::vector<int> start(keys.size());
    std::iota(start.begin(), start.end(), 0);
    std::shuffle(start.begin(), start.end(), random);
    std::vector<int> expected = start;
    HeapSortByDepthLiteral(expected, keys.data());
    std::vector<int> actual = start;
    const DepthSortPath path = SortOrderByDepth(actual, keys.data(), scratch);
    EXPECT_EQ(actual, expected) << "n = " << keys.size() << ", path " << static_cast<int>(path);
    return path;
}

TEST(DepthOrder, FastSortMatchesLiteralHeapSortOnRandomKeys) {
    std::mt19937_64 random(20240611);
    DepthSortScratch scratch;  // shared across sizes, as the mesh keeps it
    int pathCount[4] = {};
    const KeyKind kinds[] = {KeyKind::kDistinct,         KeyKind::kFewValues,        KeyKind::kTwoValues,
                             KeyKind::kAllEqual,         KeyKind::kMirroredPairs,    KeyKind::kWithNaN,
                             KeyKind::kFewValuesWithNaN, KeyKind::kWithInfinity,     KeyKind::kSignedZeros,
                             KeyKind::kClustered,        KeyKind::kClusteredWithTie, KeyKind::kWideRange,
                             KeyKind::kSmooth,           KeyKind::kSmoothWithTie,    KeyKind::kSmoothWithNaN};
    std::uniform_int_distribution<std::size_t> size(0, 5000);
    constexpr int kKinds = static_cast<int>(std::size(kinds));
    for (int trial = 0; trial < 40 * kKinds; ++trial) {
        const KeyKind kind = kinds[trial % kKinds];
        const std::size_t n = trial < 4 * kKinds ? static_cast<std::size_t>(trial / kKinds) : size(random);
        const std::vector<double> keys = RandomKeys(kind, n, random);
        const DepthSortPath path = ExpectSameOrderAsLiteral(keys, random, scratch);
        ASSERT_FALSE(testing::Test::HasFailure()) << "trial " << trial;
        pathCount[static_cast<int>(path)] += n >= 2 ? 1 : 0;
    }
    EXPECT_GT(pathCount[static_cast<int>(DepthSortPath::kDistinctKeys)], 20);
    EXPECT_GT(pathCount[static_cast<int>(DepthSortPath::kEqualKeys)], 30);
    EXPECT_GT(pathCount[static_cast<int>(DepthSortPath::kRankedHeap)], 100);
    EXPECT_GT(pathCount[static_cast<int>(DepthSortPath::kKeyedHeap)], 40);
}

// The bottom-up sift handles a last parent with one child, and heaps whose leaves sit on two
// levels; sizes around powers of two meet every such shape.
TEST(DepthOrder, HeapSortsMatchLiteralAroundPowersOfTwo) {
    struct Case {
        KeyKind kind;
        DepthSortPath path;
    };
    const Case cases[] = {{KeyKind::kTwoValues, DepthSortPath::kRankedHeap},
                          {KeyKind::kFewValues, DepthSortPath::kRankedHeap},
                          {KeyKind::kMirroredPairs, DepthSortPath::kRankedHeap},
                          {KeyKind::kAllEqual, DepthSortPath::kEqualKeys}};
    std::mt19937_64 random(7);
    DepthSortScratch scratch;
    for (std::size_t power = 2; power <= 4096; power *= 2) {
        for (std::size_t n = power - 2; n <= power + 2; ++n) {
            for (const Case& c : cases) {
                const std::vector<double> keys = RandomKeys(c.kind, n, random);
                const DepthSortPath path = ExpectSameOrderAsLiteral(keys, random, scratch);
                ASSERT_FALSE(testing::Test::HasFailure()) << "n = " << n;
                if (n >= 16) {
                    EXPECT_EQ(path, c.path) << "n = " << n;
                }
            }
        }
    }
}

TEST(DepthOrder, SortPathFollowsTheKeys) {
    struct Case {
        std::vector<double> keys;
        DepthSortPath path;
    };
    const std::vector<Case> cases = {
        {{3, 1, 2}, DepthSortPath::kDistinctKeys},      {{3, 1, 3}, DepthSortPath::kRankedHeap},
        {{-0.0, 1, 0.0}, DepthSortPath::kRankedHeap},  // -0 ties with +0
        {{kInf, 1, kInf}, DepthSortPath::kRankedHeap},  {{3, kNaN, 2}, DepthSortPath::kKeyedHeap},
        {{kNaN, kNaN}, DepthSortPath::kKeyedHeap},      {{2, 2, 2, 2}, DepthSortPath::kEqualKeys},
        {{-0.0, 0.0, -0.0}, DepthSortPath::kEqualKeys}, {{kInf, kInf}, DepthSortPath::kEqualKeys},
    };
    for (const Case& c : cases) {
        std::vector<int> order(c.keys.size());
        std::iota(order.begin(), order.end(), 0);
        DepthSortScratch scratch;
        EXPECT_EQ(SortOrderByDepth(order, c.keys.data(), scratch), c.path);
    }
}

// A start order whose neighbours' keys lie far apart (one sorted for another eye long ago) while
// neighbouring triangle numbers have close keys, as a mesh numbers them, is sorted with the
// triangles taken by number. That must give the literal arrangement and is kept only when the
// keys are distinct: ties and NaN are left to the sorts that take the start order into account.
TEST(DepthOrder, StartOrdersFarFromTheNumberingAreSortedByNumberOnlyForDistinctKeys) {
    enum class Start { kShuffled, kSorted, kSortedWithSwaps, kReversed };
    enum Expect { kNo = 0, kYes = 1, kEither = 2 };
    struct Case {
        const char* name;
        KeyKind keys;
        Start start;
        std::size_t n;
        Expect attempted;
        bool kept;
        DepthSortPath path;
    };
    constexpr std::size_t kMin = kSortByNumberMinimum;
    const Case cases[] = {
        {"shuffled", KeyKind::kSmooth, Start::kShuffled, kMin, kYes, true, DepthSortPath::kDistinctKeys},
        {"shuffled, larger", KeyKind::kSmooth, Start::kShuffled, 3 * kMin + 7, kYes, true,
         DepthSortPath::kDistinctKeys},
        {"shuffled, too few", KeyKind::kSmooth, Start::kShuffled, kMin - 1, kNo, false,
         DepthSortPath::kDistinctKeys},
        {"sorted", KeyKind::kSmooth, Start::kSorted, kMin, kNo, false, DepthSortPath::kDistinctKeys},
        {"sorted, swaps", KeyKind::kSmooth, Start::kSortedWithSwaps, kMin, kNo, false,
         DepthSortPath::kDistinctKeys},
        {"reversed", KeyKind::kSmooth, Start::kReversed, kMin, kNo, false, DepthSortPath::kDistinctKeys},
        {"numbering unrelated to keys", KeyKind::kDistinct, Start::kShuffled, kMin, kNo, false,
         DepthSortPath::kDistinctKeys},
        {"one tie", KeyKind::kSmoothWithTie, Start::kShuffled, kMin, kYes, false, DepthSortPath::kRankedHeap},
        {"one NaN", KeyKind::kSmoothWithNaN, Start::kShuffled, kMin, kEither, false,
         DepthSortPath::kKeyedHeap},
        {"all equal", KeyKind::kAllEqual, Start::kShuffled, kMin, kNo, false, DepthSortPath::kEqualKeys},
    };
    std::mt19937_64 random(4096);
    DepthSortScratch scratch;
    for (const Case& c : cases) {
        const std::vector<double> keys = RandomKeys(c.keys, c.n, random);
        std::vector<int> start(c.n);
        std::iota(start.begin(), start.end(), 0);
        std::shuffle(start.begin(), start.end(), random);
        if (c.start != Start::kShuffled) {
            HeapSortByDepthLiteral(start, keys.data());  // by decreasing key
        }
        if (c.start == Start::kSortedWithSwaps) {
            for (std::size_t p = 0; p + 1 < c.n; p += 7) {
                std::swap(start[p], start[p + 1]);
            }
        } else if (c.start == Start::kReversed) {
            std::reverse(start.begin(), start.end());
        }
        std::vector<int> expected = start;
        HeapSortByDepthLiteral(expected, keys.data());
        std::vector<int> actual = start;
        const std::uint64_t attemptsBefore = scratch.byNumberAttempts;
        const std::uint64_t keptBefore = scratch.sortsByNumber;
        EXPECT_EQ(SortOrderByDepth(actual, keys.data(), scratch), c.path) << c.name;
        EXPECT_EQ(actual, expected) << c.name;
        if (c.attempted != kEither) {
            EXPECT_EQ(scratch.byNumberAttempts - attemptsBefore, static_cast<std::uint64_t>(c.attempted))
                << c.name;
        }
        EXPECT_EQ(scratch.sortsByNumber - keptBefore, c.kept ? 1u : 0u) << c.name;
    }
}

}  // namespace
// Starts close to the result, as the previous frame's order is when the camera hardly moved: the
// insertion pass must give the literal heap sort's arrangement, ties included, and is taken for
// the starts it is meant for.
TEST(DepthOrder, NearlySortedStartsMatchLiteralAndReuseTheOrder) {
    enum class Start { kSorted, kAdjacentSwaps, kFarMoves, kShuffled };
    struct Case {
        const char* name;
        KeyKind keys;
        Start start;
        bool reused;  // whether the insertion pass must put the keys in order
    };
    const Case cases[] = {
        {"sorted", KeyKind::kDistinct, Start::kSorted, true},
        {"adjacent swaps", KeyKind::kDistinct, Start::kAdjacentSwaps, true},
        {"clustered, adjacent swaps", KeyKind::kClustered, Start::kAdjacentSwaps, true},
        {"far moves", KeyKind::kDistinct, Start::kFarMoves, false},
        {"shuffled", KeyKind::kDistinct, Start::kShuffled, false},
        {"sorted with a tie", KeyKind::kClusteredWithTie, Start::kSorted, true},
        {"few values, swaps", KeyKind::kFewValues, Start::kAdjacentSwaps, false},
        {"two values, sorted", KeyKind::kTwoValues, Start::kSorted, false},
        {"mirrored pairs, sorted", KeyKind::kMirroredPairs, Start::kSorted, false},
        {"signed zeros, sorted", KeyKind::kSignedZeros, Start::kSorted, false},
    };
    std::mt19937_64 random(31337);
    DepthSortScratch scratch;
    for (const Case& c : cases) {
        for (const std::size_t n : {std::size_t{25}, std::size_t{200}, std::size_t{3000}}) {
            const std::vector<double> keys = RandomKeys(c.keys, n, random);
            std::vector<int> start(n);
            std::iota(start.begin(), start.end(), 0);
            std::shuffle(start.begin(), start.end(), random);
            HeapSortByDepthLiteral(start, keys.data());  // by decreasing key
            std::uniform_int_distribution<std::size_t> position(0, n - 2);
            if (c.start == Start::kAdjacentSwaps) {
                for (std::size_t k = 0; k < n / 40; ++k) {
                    const std::size_t p = position(random);
                    std::swap(start[p], start[p + 1]);
                }
            } else if (c.start == Start::kFarMoves) {
                for (std::size_t k = 0; k < n / 20; ++k) {
                    std::swap(start[position(random) / 8], start[n - 1 - position(random) / 8]);
                }
            } else if (c.start == Start::kShuffled) {
                std::shuffle(start.begin(), start.end(), random);
            }
            std::vector<int> expected = start;
            HeapSortByDepthLiteral(expected, keys.data());
            std::vector<int> actual = start;
            const std::uint64_t before = scratch.reusedOrders;
            SortOrderByDepth(actual, keys.data(), scratch);
            EXPECT_EQ(actual, expected) << c.name << ", n = " << n;
            EXPECT_EQ(scratch.reusedOrders - before, c.reused ? 1u : 0u) << c.name << ", n = " << n;
        }
    }
}

}  // namespace quorvane
