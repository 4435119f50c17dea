// Tessellation and depth sorting of a generated grid mesh of about one million triangles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "model/statistics.h"
#include "model/tessellation.h"

namespace quorvane {
namespace {

constexpr int kColumns = 500;
constexpr int kRows = 1000;  // 500 x 1000 quadrilaterals, 1,000,000 triangles

// A gently waved grid of quadrilaterals, or a flat one; deterministic, no file needed.
struct GridModel {
    std::vector<CVector3D> vertices;
    CPolygonArray polygons;

    explicit GridModel(bool flat = false) {
        vertices.reserve(static_cast<std::size_t>(kColumns + 1) * (kRows + 1));
        for (int j = 0; j <= kRows; ++j) {
            for (int i = 0; i <= kColumns; ++i) {
                const double z = flat ? 0.0 : 0.75 * std::sin(0.05 * i) * std::cos(0.031 * j);
                vertices.push_back({static_cast<double>(i), static_cast<double>(j), z});
            }
        }
        for (int j = 0; j < kRows; ++j) {
            for (int i = 0; i < kColumns; ++i) {
                const int corner = j * (kColumns + 1) + i;
                polygons.PushIndex(corner);
                polygons.PushIndex(corner + 1);
                polygons.PushIndex(corner + kColumns + 2);
                polygons.PushIndex(corner + kColumns + 1);
                polygons.EndPolygon();
            }
        }
    }
};

const GridModel& Grid() {
    static const GridModel grid;
    return grid;
}

// An eye above and beside the grid, off every symmetry, so that all distances differ.
CVector3D GenericEye(int step) {
    return {-123.456 + 0.01 * step, 345.678, 432.1 - 0.007 * step};
}

void BM_Tessellate(benchmark::State& state) {
    const GridModel& grid = Grid();
    CTessellatedMesh mesh;
    mesh.SetVertexArray(&grid.vertices);
    for (auto _ : state) {
        mesh.Tessellate(grid.polygons);
        benchmark::DoNotOptimize(mesh.m_nTriangles);
    }
    state.counters["triangles"] = mesh.m_nTriangles;
}
BENCHMARK(BM_Tessellate)->Unit(benchmark::kMillisecond);

// The distance of every triangle to the eye, the kernel that both the sort and the depth test run
// once per frame.
void BM_TriangleDistances(benchmark::State& state) {
    const GridModel& grid = Grid();
    CTessellatedMesh mesh;
    mesh.SetVertexArray(&grid.vertices);
    mesh.Tessellate(grid.polygons);
    const auto n = static_cast<std::size_t>(mesh.m_nTriangles);
    std::vector<double> distances(n);
    int step = 0;
    for (auto _ : state) {
        TriangleDistances(mesh.Triangles(), mesh.Vertices(), GenericEye(step++ % 64), 0, n, distances.data());
        benchmark::DoNotOptimize(distances.data());
        benchmark::ClobberMemory();
    }
    state.counters["triangles"] = mesh.m_nTriangles;
}
BENCHMARK(BM_TriangleDistances)->Unit(benchmark::kMillisecond);

void BM_SortByDepth(benchmark::State& state) {
    const GridModel& grid = Grid();
    CTessellatedMesh mesh;
    mesh.SetVertexArray(&grid.vertices);
    mesh.Tessellate(grid.polygons);
    int step = 0;
    bool allFast = true;
    for (auto _ : state) {
        mesh.SortByDepth(GenericEye(step++ % 64));
        allFast = allFast && mesh.LastSortPath() == DepthSortPath::kDistinctKeys;
        benchmark::ClobberMemory();
    }
    if (!allFast) {
        state.SkipWithError("distances were not all distinct; the bucket sort was not measured");
    }
    state.counters["triangles"] = mesh.m_nTriangles;
}
BENCHMARK(BM_SortByDepth)->Unit(benchmark::kMillisecond);

// The flat grid seen head-on, the eye moving along its axis: the grid is symmetric under a half
// turn, so distances tie in pairs and more, and every frame takes the heap sort, starting from
// the previous frame's order.
void BM_SortByDepthHeadOnWithTies(benchmark::State& state) {
    static const GridModel flatGrid(true);
    CTessellatedMesh mesh;
    mesh.SetVertexArray(&flatGrid.vertices);
    mesh.Tessellate(flatGrid.polygons);
    int step = 0;
    bool allTied = true;
    for (auto _ : state) {
        mesh.SortByDepth({kColumns / 2.0, kRows / 2.0, 700.0 + 0.5 * (step++ % 64)});
        allTied = allTied && mesh.LastSortPath() == DepthSortPath::kRankedHeap;
        benchmark::ClobberMemory();
    }
    if (!allTied) {
        state.SkipWithError("distances did not tie; the heap sort on ranks was not measured");
    }
    state.counters["triangles"] = mesh.m_nTriangles;
}
BENCHMARK(BM_SortByDepthHeadOnWithTies)->Unit(benchmark::kMillisecond);

// Distances of the grid's triangles from a generic eye, by triangle number.
std::vector<double> GridDistances(bool rounded) {
    const GridModel& grid = Grid();
    CTessellatedMesh mesh;
    mesh.SetVertexArray(&grid.vertices);
    mesh.Tessellate(grid.polygons);
    mesh.SortByDepth(GenericEye(0));
    std::vector<double> keys(static_cast<std::size_t>(mesh.m_nTriangles));
    for (int k = 0; k < mesh.m_nTriangles; ++k) {
        const double d = mesh.GetDistance(k);
        keys[k] = rounded ? std::floor(d) : d;  // whole units: many equal keys
    }
    return keys;
}

// The depth sort alone on distinct keys, each run starting from the previous run's result
// (a redraw without camera motion).
void BM_SortOrderByDepthDistinct(benchmark::State& state) {
    const std::vector<double> keys = GridDistances(false);
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    DepthSortScratch scratch;
    bool allFast = true;
    for (auto _ : state) {
        allFast = SortOrderByDepth(order, keys.data(), scratch) == DepthSortPath::kDistinctKeys && allFast;
        benchmark::ClobberMemory();
    }
    if (!allFast) {
        state.SkipWithError("keys were not all distinct; the bucket sort was not measured");
    }
}
BENCHMARK(BM_SortOrderByDepthDistinct)->Unit(benchmark::kMillisecond);

// Runs `sort` on a fresh copy of `start` in every iteration, the copying left out of the time.
template <typename Sort>
void TimeSortsFrom(benchmark::State& state, const std::vector<int>& start, Sort sort) {
    std::vector<int> order;
    for (auto _ : state) {
        state.PauseTiming();
        order = start;
        state.ResumeTiming();
        sort(order);
        benchmark::ClobberMemory();
    }
}

// The triangle numbers in turn, the order the mesh makes them in.
std::vector<int> NumberOrder(std::size_t n) {
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

// The depth sort on distinct keys from an order that has nothing to do with them, as after many
// frames drawn without a sort: the triangles are sorted taken by number.
void BM_SortOrderByDepthFromOldOrder(benchmark::State& state) {
    const std::vector<double> keys = GridDistances(false);
    std::vector<int> start = NumberOrder(keys.size());
    std::shuffle(start.begin(), start.end(), std::mt19937(7));
    DepthSortScratch scratch;
    TimeSortsFrom(state, start, [&](std::vector<int>& order) {
        benchmark::DoNotOptimize(SortOrderByDepth(order, keys.data(), scratch));
    });
    state.counters["byNumber"] = static_cast<double>(scratch.sortsByNumber);
}
BENCHMARK(BM_SortOrderByDepthFromOldOrder)->Unit(benchmark::kMillisecond);

// The depth sort when keys tie: the bucket sort attempt fails and the heap sort decides.
void BM_SortOrderByDepthWithTies(benchmark::State& state) {
    const std::vector<double> keys = GridDistances(true);
    DepthSortScratch scratch;
    TimeSortsFrom(state, NumberOrder(keys.size()), [&](std::vector<int>& order) {
        benchmark::DoNotOptimize(SortOrderByDepth(order, keys.data(), scratch));
    });
}
BENCHMARK(BM_SortOrderByDepthWithTies)->Unit(benchmark::kMillisecond);

// The reference heap sort on the order indices alone, keys looked up by triangle number.
void BM_HeapSortByDepthLiteral(benchmark::State& state) {
    const std::vector<double> keys = GridDistances(false);
    TimeSortsFrom(state, NumberOrder(keys.size()),
                  [&](std::vector<int>& order) { HeapSortByDepthLiteral(order, keys.data()); });
}
BENCHMARK(BM_HeapSortByDepthLiteral)->Unit(benchmark::kMillisecond);

void BM_CountTriangles(benchmark::State& state) {
    const GridModel& grid = Grid();
    for (auto _ : state) {
        benchmark::DoNotOptimize(CountTriangles(grid.polygons));
    }
}
BENCHMARK(BM_CountTriangles)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane
