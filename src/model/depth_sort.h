// The painter's order of the triangles: the reference heap sort by distance, and the faster sort
// that gives exactly its permutation.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/huge_pages.h"

namespace quorvane {

// A depth key, the triangle number it belongs to and the triangle's position in the order the
// sort started from; the unit the depth sorts move around (16 bytes, copied as one block).
// Left unset by default, so that the scratch arrays are not filled before the sort writes them.
struct KeyedIndex {
    std::uint64_t key;
    std::int32_t index;
    std::int32_t position;
};

// Working memory of SortOrderByDepth, kept by the caller so that repeated sorts allocate only
// when the triangle count grows.
struct DepthSortScratch {
    LargeArray<KeyedIndex> items;
    LargeArray<KeyedIndex> spare;
    // Bucket boundaries, one array per level of bucket refinement.
    std::vector<std::vector<std::uint32_t>> bucketEnds;
    // Rank of each key among the distinct keys (0 = nearest), by position in the starting order,
    // from a cache-line boundary on.
    LargeArray<std::uint32_t> ranks;
    // Sorts whose keys were in order, or nearly, in the order the sort started from (the previous
    // frame's, when nothing or little moved), so that a pass of insertion put them in order
    // without the bucket sort.
    std::uint64_t reusedOrders = 0;
    // Sorts that took the triangles by number, as their numbering kept close keys closer together
    // than the starting order, and of them those that found the keys distinct and so kept it.
    std::uint64_t byNumberAttempts = 0;
    std::uint64_t sortsByNumber = 0;

    // Frees the memory; the next sort allocates it again.
    void Release();
    // The bytes held.
    std::size_t Bytes() const;
};

// How SortOrderByDepth reached its result.
enum class DepthSortPath {
    kDistinctKeys,  // all keys distinct numbers: a bucket sort decided the one possible order
    kEqualKeys,     // all keys the same number: the heap sort's moves, which need no comparison
    kRankedHeap,    // equal keys, no NaN: the heap sort on key ranks, sifting bottom-up
    kKeyedHeap,     // a NaN key: the heap sort step by step as the reference does it
};

// The reference painter's order: heap-sorts `order` so that keyByTriangle[order[i]] does not
// increase (NaN keys aside), with a min-heap sift-down in which a child equal to the current best
// wins and any comparison with NaN is false. Equal keys end in exactly the arrangement these
// steps leave, which depends on the starting order.
void HeapSortByDepthLiteral(std::span<int> order, const double* keyByTriangle);

// Orders of at least this many triangles whose neighbours' keys lie much farther apart than those
// of neighbouring triangle numbers, judged from a sample of pairs, are first sorted with the
// triangles taken by number (see byNumberAttempts).
constexpr std::size_t kSortByNumberMinimum = 4096;

// Gives `order` (a permutation of 0 .. size - 1) the same arrangement as HeapSortByDepthLiteral:
// by sorting the keys when all are distinct numbers (by insertion when the starting order is
// nearly by decreasing key, otherwise by buckets, taking the triangles by number when the
// numbering keeps close keys closer together than the starting order), otherwise by the heap
// sort itself, on integer key ranks when no key is NaN.
DepthSortPath SortOrderByDepth(std::span<int> order, const double* keyByTriangle, DepthSortScratch& scratch);

}  // namespace quorvane
