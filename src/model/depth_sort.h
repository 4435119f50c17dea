// The painter's order of the triangles: the reference heap sort by distance, and the faster sort
// that gives exactly its permutation.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorvane {

// A depth key, the triangle number it belongs to and the triangle's position in the order the
// sort started from; the unit the depth sorts move around (16 bytes, copied as one block).
struct KeyedIndex {
    std::uint64_t key = 0;
    std::int32_t index = 0;
    std::int32_t position = 0;
};

// Working memory of SortOrderByDepth, kept by the caller so that repeated sorts allocate only
// when the triangle count grows.
struct DepthSortScratch {
    std::vector<KeyedIndex> items;
    std::vector<KeyedIndex> spare;
    // Bucket boundaries, one array per level of bucket refinement.
    std::vector<std::vector<std::uint32_t>> bucketEnds;
    // Rank of each key among the distinct keys (0 = nearest), by position in the starting order,
    // from a cache-line boundary on.
    std::vector<std::uint32_t> ranks;
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

// Gives `order` (a permutation of 0 .. size - 1) the same arrangement as HeapSortByDepthLiteral:
// by a bucket sort when all keys are distinct numbers, otherwise by the heap sort itself, on
// integer key ranks when no key is NaN.
DepthSortPath SortOrderByDepth(std::span<int> order, const double* keyByTriangle, DepthSortScratch& scratch);

}  // namespace quorvane
