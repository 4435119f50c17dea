#include "model/depth_sort.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace quorvane {

namespace {

// Moves order[a] down the min-heap order[0 .. size - 1] keyed by keyByTriangle[order[x]]:
// a child whose key is equal to or below the current best's takes its place.
void SiftDownLiteral(std::span<int> order, const double* keyByTriangle, std::size_t a, std::size_t size) {
    for (;;) {
        const std::size_t child = 2 * a + 1;
        if (child >= size) {
            return;
        }
        std::size_t best = a;
        for (std::size_t position = child; position <= child + 1 && position < size; ++position) {
            if (keyByTriangle[order[best]] >= keyByTriangle[order[position]]) {
                best = position;
            }
        }
        if (best == a) {
            return;
        }
        std::swap(order[a], order[best]);
        a = best;
    }
}

double KeyOf(const KeyedIndex& item) {
    return std::bit_cast<double>(item.key);
}

// The same sift-down as SiftDownLiteral on items that carry their key (raw double bits):
// identical comparisons, with the sinking item held aside instead of swapped at every level.
void SiftDownKeyed(KeyedIndex* heap, std::size_t a, std::size_t size) {
    const KeyedIndex sinking = heap[a];
    const double sinkingKey = KeyOf(sinking);
    for (;;) {
        const std::size_t child = 2 * a + 1;
        if (child >= size) {
            break;
        }
        std::size_t best = a;
        double bestKey = sinkingKey;
        const double leftKey = KeyOf(heap[child]);
        if (bestKey >= leftKey) {
            best = child;
            bestKey = leftKey;
        }
        if (child + 1 < size && bestKey >= KeyOf(heap[child + 1])) {
            best = child + 1;
        }
        if (best == a) {
            break;
        }
        heap[a] = heap[best];
        a = best;
    }
    heap[a] = sinking;
}

// The reference heap sort on items that carry their key.
void HeapSortKeyed(KeyedIndex* items, std::size_t n) {
    if (n < 2) {
        return;
    }
    for (std::size_t a = (n - 1) / 2 + 1; a-- > 0;) {
        SiftDownKeyed(items, a, n);
    }
    for (std::size_t j = n - 1; j >= 1; --j) {
        std::swap(items[0], items[j]);
        SiftDownKeyed(items, 0, j);
    }
}

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
// Ranges up to this size are finished by insertion sort.
constexpr std::size_t kInsertionLimit = 24;
// Deepest bucket recursion: every level narrows the key range by at least 4 bits, so a range
// of 64-bit keys is down to one value after 16 levels.
constexpr std::size_t kMaxBucketDepth = 17;

// An unsigned image of a non-NaN key that orders as the key does in reverse: the largest key
// maps to the smallest value. -0 is folded into +0 so that equal keys have equal images.
std::uint64_t DescendingImage(double key) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(key + 0.0);
    const std::uint64_t ascending = (bits & kSignBit) ? ~bits : (bits | kSignBit);
    return ~ascending;
}

// Sorts items[0 .. n - 1] by increasing key in place unless that takes more than `budget` moves of
// an item; returns false when it gives up (the items are then a permutation of what they were).
// Sets `tied` if two keys are equal.
bool InsertionSortWithin(KeyedIndex* items, std::size_t n, std::size_t budget, bool& tied) {
    tied = false;
    for (std::size_t i = 1; i < n; ++i) {
        const KeyedIndex item = items[i];
        std::size_t j = i;
        while (j > 0 && items[j - 1].key > item.key) {
            items[j] = items[j - 1];
            --j;
        }
        items[j] = item;
        if (j > 0 && items[j - 1].key == item.key) {
            tied = true;
        }
        const std::size_t moved = i - j;
        if (moved > budget) {
            return false;
        }
        budget -= moved;
    }
    return true;
}

// Sorts items[0 .. n - 1] by increasing key in place; true if two keys are equal.
bool InsertionSortByKey(KeyedIndex* items, std::size_t n) {
    bool tied = false;
    InsertionSortWithin(items, n, std::numeric_limits<std::size_t>::max(), tied);
    return tied;
}

// Sorts src[0 .. n - 1] (n > kInsertionLimit) by increasing key into dst, src serving as
// working space afterwards; true if two keys are equal. The caller gives the smallest and
// largest key, which differ.
// Distributes the items over buckets of equal key width spanning their key range, then sorts
// each bucket by insertion or, if large, by the same method. A bucket of one key value is
// already in order, so runs of equal keys cost one pass.
bool BucketSortByKey(KeyedIndex* src, KeyedIndex* dst, std::size_t n, std::uint64_t low, std::uint64_t high,
                     DepthSortScratch& scratch, std::size_t depth) {
    if (depth >= kMaxBucketDepth) {  // cannot happen; still sorts
        std::copy_n(src, n, dst);
        return InsertionSortByKey(dst, n);
    }
    const int bucketBits = std::clamp(static_cast<int>(std::bit_width(n)) - 3, 4, 18);
    const int shift = std::max(0, static_cast<int>(std::bit_width(high - low)) - bucketBits);
    const std::size_t buckets = static_cast<std::size_t>((high - low) >> shift) + 1;
    std::vector<std::uint32_t>& bucketEnd = scratch.bucketEnds[depth];
    bucketEnd.assign(buckets + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        ++bucketEnd[((src[i].key - low) >> shift) + 1];
    }
    for (std::size_t b = 1; b <= buckets; ++b) {
        bucketEnd[b] += bucketEnd[b - 1];  // now the first position of bucket b
    }
    for (std::size_t i = 0; i < n; ++i) {
        dst[bucketEnd[(src[i].key - low) >> shift]++] = src[i];  // ends as one past bucket b
    }
    bool tied = false;
    std::size_t first = 0;
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t last = bucketEnd[b];
        const std::size_t size = last - first;
        if (size <= kInsertionLimit) {
            tied = InsertionSortByKey(dst + first, size) || tied;
        } else {
            std::uint64_t bucketLow = dst[first].key;
            std::uint64_t bucketHigh = bucketLow;
            for (std::size_t i = first + 1; i < last; ++i) {
                bucketLow = std::min(bucketLow, dst[i].key);
                bucketHigh = std::max(bucketHigh, dst[i].key);
            }
            if (bucketLow == bucketHigh) {
                tied = true;  // one key value: in order as it stands
            } else {
                tied = BucketSortByKey(dst + first, src + first, size, bucketLow, bucketHigh, scratch,
                                       depth + 1) ||
                       tied;
                std::copy_n(src + first, size, dst + first);
            }
        }
        first = last;
    }
    return tied;
}

// Starting orders with at most one key out of place in this many are tried by insertion first,
// which gives up beyond kInsertionMoves moves of an item per item.
constexpr std::size_t kNearlySortedShare = 16;
constexpr std::size_t kInsertionMoves = 4;

// Sorts the triangle numbers of `order` by decreasing key into scratch.items, each item keeping
// its position in `order`; sets `tied` if two keys are equal. Returns false, leaving
// scratch.items unspecified, if a key is NaN. The items are taken in the given order. When that
// order is by decreasing key already, or nearly (the previous frame's order with the camera
// unmoved or hardly moved), they are put in order where they are, by insertion; otherwise by
// buckets, whose distribution then writes almost sequentially.
bool SortDescending(std::span<const int> order, const double* keyByTriangle, DepthSortScratch& scratch,
                    bool& tied) {
    const std::size_t n = order.size();
    KeyedIndex* items = scratch.spare.data();
    std::uint64_t low = ~std::uint64_t{0};
    std::uint64_t high = 0;
    // Places where a key does not fall strictly below the one before it.
    std::size_t descents = 0;
    std::uint64_t previous = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double key = keyByTriangle[order[i]];
        if (std::isnan(key)) {
            return false;
        }
        const std::uint64_t image = DescendingImage(key);
        low = std::min(low, image);
        high = std::max(high, image);
        descents += static_cast<std::size_t>(i > 0 && image <= previous);
        previous = image;
        items[i] = {image, order[i], static_cast<std::int32_t>(i)};
    }
    if (n <= kInsertionLimit || low == high) {
        std::copy_n(items, n, scratch.items.data());
        tied = low == high || InsertionSortByKey(scratch.items.data(), n);
    } else if (descents <= n / kNearlySortedShare &&
               InsertionSortWithin(items, n, kInsertionMoves * n, tied)) {
        scratch.items.swap(scratch.spare);  // the sorted items become scratch.items
        ++scratch.reusedOrders;
    } else {
        tied = BucketSortByKey(items, scratch.items.data(), n, low, high, scratch, 0);
    }
    return true;
}

// Neighbour pairs looked at to judge which order keeps close keys closer together.
constexpr std::size_t kOrderSamples = 512;
// How much farther apart the keys of neighbours in the starting order must lie than those of
// neighbouring triangle numbers for the numbers to be taken instead.
constexpr double kCloserByNumber = 4.0;

// Whether neighbouring triangle numbers have much closer keys than neighbours in `order`, judged
// from sampled pairs: the case of an order sorted for another eye long ago, through which the
// keys are read with a cache miss for almost every one and then distributed all over the buckets,
// while the triangles a mesh makes one after the other lie side by side.
bool NumbersKeepKeysCloser(std::span<const int> order, const double* keyByTriangle) {
    const std::size_t n = order.size();
    double orderJumps = 0.0;
    double numberJumps = 0.0;
    for (std::size_t s = 0; s < kOrderSamples; ++s) {
        const std::size_t i = s * (n - 1) / kOrderSamples;
        orderJumps += std::fabs(keyByTriangle[order[i + 1]] - keyByTriangle[order[i]]);
        numberJumps += std::fabs(keyByTriangle[i + 1] - keyByTriangle[i]);
    }
    // False when a sum is not a number: the keys are then left to the sorts that handle them.
    return orderJumps > kCloserByNumber * numberJumps;
}

// Sorts the triangles by decreasing key taking them by number, which reads the keys in turn and
// keeps triangles made together (and so with close keys) together while they are distributed,
// instead of in the starting order, which jumps about. Writes `order` and returns true when the
// keys are distinct numbers, the one case in which the starting order cannot matter; otherwise
// returns false with `order` as it was.
bool SortDistinctByNumber(std::span<int> order, const double* keyByTriangle, DepthSortScratch& scratch) {
    const std::size_t n = order.size();
    KeyedIndex* items = scratch.spare.data();
    std::uint64_t low = ~std::uint64_t{0};
    std::uint64_t high = 0;
    bool nan = false;
    for (std::size_t k = 0; k < n; ++k) {
        const double key = keyByTriangle[k];
        nan = nan || std::isnan(key);
        const std::uint64_t image = DescendingImage(key);
        low = std::min(low, image);
        high = std::max(high, image);
        items[k] = {image, static_cast<std::int32_t>(k), static_cast<std::int32_t>(k)};
    }
    if (nan || low == high || BucketSortByKey(items, scratch.items.data(), n, low, high, scratch, 0)) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        order[i] = scratch.items[i].index;
    }
    return true;
}

// From items sorted by decreasing key: ranks[p] = the number of distinct keys smaller than the
// key of the item that started at position p. The ranks compare exactly as the keys do.
// Returns the number of distinct keys.
std::size_t RankByPosition(const KeyedIndex* sorted, std::size_t n, std::uint32_t* ranks) {
    std::uint32_t rank = 0;
    for (std::size_t i = n; i-- > 0;) {
        if (i + 1 < n && sorted[i].key != sorted[i + 1].key) {
            ++rank;
        }
        ranks[sorted[i].position] = rank;
    }
    return std::size_t{rank} + 1;
}

// The reference sift-down when every key is the same number: every comparison holds, so the
// sinking item trades places with the right child, or with a lone left child, down to a leaf.
void SiftDownEqualKeys(int* order, std::size_t a, std::size_t size) {
    const int sinking = order[a];
    std::size_t hole = a;
    while (2 * hole + 2 < size) {
        order[hole] = order[2 * hole + 2];
        hole = 2 * hole + 2;
    }
    if (2 * hole + 2 == size) {
        order[hole] = order[2 * hole + 1];
        hole = 2 * hole + 1;
    }
    order[hole] = sinking;
}

// The reference heap sort of order[0 .. n - 1] when all keys are equal. The moves follow from
// the size alone, so they run without a chain of dependent comparisons.
void HeapSortEqualKeys(int* order, std::size_t n) {
    if (n < 2) {
        return;
    }
    for (std::size_t a = (n - 1) / 2 + 1; a-- > 0;) {
        SiftDownEqualKeys(order, a, n);
    }
    for (std::size_t j = n - 1; j >= 1; --j) {
        std::swap(order[0], order[j]);
        SiftDownEqualKeys(order, 0, j);
    }
}

// The reference sift-down on the min-heap of ranks[0 .. size - 1], with order[] moved alike,
// done bottom-up: the hole left by the sinking item goes down to a leaf along the smaller
// children, then climbs back while the item above it has a greater rank.
//
// Same result as the reference step: the ranks are totally ordered, and that step moves the
// sinking item s into child c exactly when rank(s) >= rank(c), where c is the right child if
// rank(left) >= rank(right) and the left one otherwise. (If rank(s) >= rank(left), c is the
// best of the three; if rank(s) < rank(left), only the right child can win, and when it does,
// rank(right) <= rank(s) < rank(left) makes it c.) So s follows the path of such children,
// which does not depend on s, and stops above the first one with a greater rank. The subtrees
// below a are heaps, so ranks never decrease down the path: the children s passes are the top
// of the path, and climbing back from the leaf while the rank above is greater stops at the
// same place, with the same items lifted one level. It makes about half the comparisons.
void SiftDownRanked(std::uint32_t* ranks, int* order, std::size_t a, std::size_t size) {
    const std::uint32_t sinkingRank = ranks[a];
    const int sinking = order[a];
    std::size_t hole = a;
    for (;;) {
        std::size_t child = 2 * hole + 1;
        if (child + 1 >= size) {
            if (child + 1 == size) {  // a lone left child
                ranks[hole] = ranks[child];
                order[hole] = order[child];
                hole = child;
            }
            break;
        }
        // The hole's 16 descendants four levels down fill one cache line (see HeapRanks);
        // fetching it now hides most of the memory latency deep in a large heap.
        const std::size_t ahead = 16 * hole + 15;
        if (ahead < size) {
            __builtin_prefetch(ranks + ahead);
        }
        child += static_cast<std::size_t>(ranks[child] >= ranks[child + 1]);  // no branch
        ranks[hole] = ranks[child];
        order[hole] = order[child];
        hole = child;
    }
    while (hole > a) {
        const std::size_t parent = (hole - 1) / 2;
        if (ranks[parent] <= sinkingRank) {
            break;
        }
        ranks[hole] = ranks[parent];
        order[hole] = order[parent];
        hole = parent;
    }
    ranks[hole] = sinkingRank;
    order[hole] = sinking;
}

// Room for n ranks in scratch.ranks, placed so that the element before the first one starts a
// 64-byte cache line: then the children of every heap node share a line, and so do its
// descendants down to four levels below.
std::uint32_t* HeapRanks(DepthSortScratch& scratch, std::size_t n) {
    constexpr std::size_t kLine = 64;
    const std::size_t bytes = (n + 1) * sizeof(std::uint32_t);
    if (scratch.ranks.size() < n + 1 + kLine / sizeof(std::uint32_t)) {
        ResizeForOverwrite(scratch.ranks, n + 1 + kLine / sizeof(std::uint32_t));
    }
    void* line = scratch.ranks.data();
    std::size_t space = scratch.ranks.size() * sizeof(std::uint32_t);
    std::align(kLine, bytes, line, space);  // cannot fail: the vector has a line to spare
    return static_cast<std::uint32_t*>(line) + 1;
}

// The reference heap sort of order[0 .. n - 1] by the ranks of its keys (ranks[p] belongs to
// the triangle at position p and moves with it).
void HeapSortRanked(std::uint32_t* ranks, int* order, std::size_t n) {
    if (n < 2) {
        return;
    }
    for (std::size_t a = (n - 1) / 2 + 1; a-- > 0;) {
        SiftDownRanked(ranks, order, a, n);
    }
    for (std::size_t j = n - 1; j >= 1; --j) {
        std::swap(ranks[0], ranks[j]);
        std::swap(order[0], order[j]);
        SiftDownRanked(ranks, order, 0, j);
    }
}

}  // namespace

void DepthSortScratch::Release() {
    LargeArray<KeyedIndex>().swap(items);
    LargeArray<KeyedIndex>().swap(spare);
    std::vector<std::vector<std::uint32_t>>().swap(bucketEnds);
    LargeArray<std::uint32_t>().swap(ranks);
}

std::size_t DepthSortScratch::Bytes() const {
    std::size_t bytes =
        (items.capacity() + spare.capacity()) * sizeof(KeyedIndex) + ranks.capacity() * sizeof(std::uint32_t);
    for (const std::vector<std::uint32_t>& level : bucketEnds) {
        bytes += level.capacity() * sizeof(std::uint32_t);
    }
    return bytes;
}

void HeapSortByDepthLiteral(std::span<int> order, const double* keyByTriangle) {
    const std::size_t n = order.size();
    if (n < 2) {
        return;
    }
    for (std::size_t a = (n - 1) / 2 + 1; a-- > 0;) {
        SiftDownLiteral(order, keyByTriangle, a, n);
    }
    for (std::size_t j = n - 1; j >= 1; --j) {
        std::swap(order[0], order[j]);
        SiftDownLiteral(order, keyByTriangle, 0, j);
    }
}

DepthSortPath SortOrderByDepth(std::span<int> order, const double* keyByTriangle, DepthSortScratch& scratch) {
    const std::size_t n = order.size();
    if (n < 2) {
        return DepthSortPath::kDistinctKeys;
    }
    if (scratch.items.size() < n) {
        ResizeForOverwrite(scratch.items, n);
        ResizeForOverwrite(scratch.spare, n);
    }
    if (scratch.bucketEnds.size() < kMaxBucketDepth) {
        scratch.bucketEnds.resize(kMaxBucketDepth);
    }
    if (n >= kSortByNumberMinimum && NumbersKeepKeysCloser(order, keyByTriangle)) {
        ++scratch.byNumberAttempts;
        if (SortDistinctByNumber(order, keyByTriangle, scratch)) {
            ++scratch.sortsByNumber;
            return DepthSortPath::kDistinctKeys;
        }
    }
    bool tied = false;
    if (SortDescending(order, keyByTriangle, scratch, tied)) {
        if (!tied) {
            // With distinct keys every correct sort gives the one descending arrangement,
            // whatever the starting order, so the bucket sort decides it.
            for (std::size_t i = 0; i < n; ++i) {
                order[i] = scratch.items[i].index;
            }
            return DepthSortPath::kDistinctKeys;
        }
        // Equal keys end as the heap sort leaves them from the order as it stands. Only the
        // comparisons matter, so it runs on 32-bit ranks, which the sorted items give.
        std::uint32_t* ranks = HeapRanks(scratch, n);
        if (RankByPosition(scratch.items.data(), n, ranks) == 1) {
            HeapSortEqualKeys(order.data(), n);
            return DepthSortPath::kEqualKeys;
        }
        HeapSortRanked(ranks, order.data(), n);
        return DepthSortPath::kRankedHeap;
    }
    // A NaN key: comparisons with it are all false, so run the reference steps themselves.
    KeyedIndex* items = scratch.items.data();
    for (std::size_t i = 0; i < n; ++i) {
        items[i] = {std::bit_cast<std::uint64_t>(keyByTriangle[order[i]]), order[i],
                    static_cast<std::int32_t>(i)};
    }
    HeapSortKeyed(items, n);
    for (std::size_t i = 0; i < n; ++i) {
        order[i] = items[i].index;
    }
    return DepthSortPath::kKeyedHeap;
}

}  // namespace quorvane
