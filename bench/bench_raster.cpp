// Raster throughput on a 1024 x 1024 image: the many tiny triangles of a dense solid model, the short
// lines of a dense wireframe, and lines reaching far outside the image.
#include "render/raster.h"

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using quorvane::CImage;
using quorvane::PixelPoint;

constexpr int kImageSize = 1024;

struct STriangle {
    PixelPoint p0, p1, p2;
};

struct SSegment {
    int x0, y0, x1, y1;
};

// Triangles of one to a few pixels scattered over the image, a few of them cut by its border.
std::vector<STriangle> SmallTriangles(std::size_t count) {
    std::mt19937 random(1);
    std::uniform_int_distribution<int> position(-2, kImageSize + 1);
    std::uniform_int_distribution<int> offset(-3, 3);
    std::vector<STriangle> triangles(count);
    for (STriangle& t : triangles) {
        const int x = position(random), y = position(random);
        t = {{x, y}, {x + offset(random), y + offset(random)}, {x + offset(random), y + offset(random)}};
    }
    return triangles;
}

// Segments of up to 8 pixels in each direction scattered over the image.
std::vector<SSegment> ShortSegments(std::size_t count) {
    std::mt19937 random(2);
    std::uniform_int_distribution<int> position(-2, kImageSize + 1);
    std::uniform_int_distribution<int> offset(-8, 8);
    std::vector<SSegment> segments(count);
    for (SSegment& s : segments) {
        const int x = position(random), y = position(random);
        s = {x, y, x + offset(random), y + offset(random)};
    }
    return segments;
}

void BM_FillTriangleSmall(benchmark::State& state) {
    const std::vector<STriangle> triangles = SmallTriangles(1000000);
    CImage image;
    image.Resize(kImageSize);
    std::uint32_t colour = 0xFF000000u;
    for (auto _ : state) {
        for (const STriangle& t : triangles) {
            quorvane::FillTriangle(image, t.p0, t.p1, t.p2, colour);
            ++colour;
        }
        benchmark::DoNotOptimize(image.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(triangles.size()));
}
BENCHMARK(BM_FillTriangleSmall)->Unit(benchmark::kMillisecond);

// The same triangles drawn once per band of rows, the bands one after another: the whole image
// costs the unbanded work plus the rejection of every triangle outside each band.
void BM_FillTriangleSmallInBands(benchmark::State& state) {
    const std::vector<STriangle> triangles = SmallTriangles(1000000);
    const int bands = static_cast<int>(state.range(0));
    CImage image;
    image.Resize(kImageSize);
    for (auto _ : state) {
        for (int band = 0; band < bands; ++band) {
            const quorvane::CRasterClip clip{kImageSize * band / bands, kImageSize * (band + 1) / bands};
            for (const STriangle& t : triangles) {
                quorvane::FillTriangle(image, t.p0, t.p1, t.p2, 0xFF808080u, clip);
            }
        }
        benchmark::DoNotOptimize(image.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(triangles.size()));
}
BENCHMARK(BM_FillTriangleSmallInBands)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);

// Draws every segment once per iteration into a fresh image.
void DrawSegments(benchmark::State& state, const std::vector<SSegment>& segments) {
    CImage image;
    image.Resize(kImageSize);
    for (auto _ : state) {
        for (const SSegment& s : segments) {
            quorvane::Line(image, s.x0, s.y0, s.x1, s.y1, 0xFFFFFFFFu);
        }
        benchmark::DoNotOptimize(image.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(segments.size()));
}

void BM_LineShort(benchmark::State& state) {
    const std::vector<SSegment> segments = ShortSegments(1500000);
    DrawSegments(state, segments);
}
BENCHMARK(BM_LineShort)->Unit(benchmark::kMillisecond);

// Lines between points anywhere in the int range: the cost must follow the visible part only.
void BM_LineHugeClipped(benchmark::State& state) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> anywhere(INT_MIN, INT_MAX);
    std::vector<SSegment> segments(10000);
    for (SSegment& s : segments) {
        s = {anywhere(random), anywhere(random), anywhere(random), anywhere(random)};
    }
    DrawSegments(state, segments);
}
BENCHMARK(BM_LineHugeClipped)->Unit(benchmark::kMillisecond);

}  // namespace
