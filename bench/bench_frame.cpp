// One frame of the frame renderer (Transform then Render on a 1024 x 1024 image) in each drawing
// mode, and one orbit step of the mouse through the view, on generated tori of 100 thousand,
// 1 million and 4 million triangles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "model/document.h"
#include "render/frame_renderer.h"
#include "render/view.h"
#include "viewing/default_view.h"

namespace quorvane {
namespace {

constexpr int kImageSize = 1024;

// A closed torus of 2 * rings * segments triangles around the z axis, tilted towards the eye, with
// a small deterministic ripple on the tube radius so that no two triangles lie at exactly the same
// distance from the eye (as in scanned models).
std::unique_ptr<CQuorvaneDoc> MakeTorus(int rings, int segments) {
    constexpr double kTwoPi = 6.283185307179586;
    constexpr double kRingRadius = 3.0;
    constexpr double kTubeRadius = 1.0;
    constexpr double kTilt = 0.6;
    auto doc = std::make_unique<CQuorvaneDoc>();
    doc->m_vertices.reserve(static_cast<std::size_t>(rings) * static_cast<std::size_t>(segments));
    std::uint32_t hash = 12345u;
    for (int i = 0; i < rings; ++i) {
        const double u = kTwoPi * i / rings;
        for (int j = 0; j < segments; ++j) {
            hash = hash * 1664525u + 1013904223u;
            const double ripple = 1.0 + 1e-3 * static_cast<double>(hash >> 8) / 16777216.0;
            const double v = kTwoPi * j / segments;
            const double r = kRingRadius + kTubeRadius * ripple * std::cos(v);
            const double x = r * std::cos(u);
            const double y = r * std::sin(u);
            const double z = kTubeRadius * ripple * std::sin(v);
            doc->m_vertices.push_back(
                {x, y * std::cos(kTilt) - z * std::sin(kTilt), y * std::sin(kTilt) + z * std::cos(kTilt)});
        }
    }
    doc->m_polygons.Reserve(static_cast<std::size_t>(2) * rings * segments,
                            static_cast<std::size_t>(6) * rings * segments);
    for (int i = 0; i < rings; ++i) {
        const int i1 = (i + 1) % rings;
        for (int j = 0; j < segments; ++j) {
            const int j1 = (j + 1) % segments;
            const int a = i * segments + j;
            const int b = i1 * segments + j;
            const int c = i1 * segments + j1;
            const int d = i * segments + j1;
            const int first[3] = {a, b, c};
            const int second[3] = {a, c, d};
            doc->m_polygons.Append(first, 3);
            doc->m_polygons.Append(second, 3);
        }
    }
    doc->m_nVertices = static_cast<int>(doc->m_vertices.size());
    doc->m_nPolygons = doc->m_polygons.GetSize();
    doc->m_nEdges = 3 * doc->m_nPolygons;
    doc->m_nLargestPolygon = 3;
    doc->BuildUniqueEdges();
    doc->m_minX = doc->m_maxX = doc->m_vertices[0].x;
    doc->m_minY = doc->m_maxY = doc->m_vertices[0].y;
    doc->m_minZ = doc->m_maxZ = doc->m_vertices[0].z;
    for (const CVector3D& p : doc->m_vertices) {
        doc->m_minX = std::min(doc->m_minX, p.x);
        doc->m_maxX = std::max(doc->m_maxX, p.x);
        doc->m_minY = std::min(doc->m_minY, p.y);
        doc->m_maxY = std::max(doc->m_maxY, p.y);
        doc->m_minZ = std::min(doc->m_minZ, p.z);
        doc->m_maxZ = std::max(doc->m_maxZ, p.z);
    }
    return doc;
}

// The torus for a triangle count of 100k, 1M or 4M, made once.
CQuorvaneDoc& Torus(long triangles) {
    static std::map<long, std::unique_ptr<CQuorvaneDoc>> cache;
    std::unique_ptr<CQuorvaneDoc>& doc = cache[triangles];
    if (!doc) {
        if (triangles >= 4000000) {
            doc = MakeTorus(2000, 1000);
        } else if (triangles >= 1000000) {
            doc = MakeTorus(1000, 500);
        } else {
            doc = MakeTorus(250, 200);
        }
    }
    return *doc;
}

enum Mode { kWireframe = 0, kSolid = 1, kPoints = 2 };

DrawingSettings SettingsFor(int mode) {
    DrawingSettings settings;
    settings.mode = mode == kSolid    ? DrawingMode::kSolid
                    : mode == kPoints ? DrawingMode::kPoints
                                      : DrawingMode::kWireframe;
    return settings;
}

// A frame renderer for `doc`, with the default view's camera and one frame drawn.
struct Frame {
    explicit Frame(CQuorvaneDoc& doc, int mode, int threads = CWorkerPool::DefaultThreadCount())
        : renderer(threads), settings(SettingsFor(mode)) {
        renderer.SetModel(&doc);
        SetDefaultView(camera, doc);
        renderer.RenderFrame(camera, settings, kImageSize);
    }
    CFrameRenderer renderer;
    DrawingSettings settings;
    CViewingSpace camera;
};

// The model's size, and how the solid frames were drawn: with the depth test alone, left to
// painting after a tie, and the sorts made to catch up with the frames drawn without one.
void SetCounters(benchmark::State& state, const CQuorvaneDoc& doc, const CFrameRenderer& renderer) {
    const CFrameRenderer::Counts counts = renderer.GetCounts();
    state.counters["triangles"] = renderer.GetMesh().m_nTriangles;
    state.counters["vertices"] = doc.m_nVertices;
    state.counters["edges"] = doc.m_nUniqueEdges;
    state.counters["depthTested"] = static_cast<double>(counts.depthTestedFrames);
    state.counters["fallbacks"] = static_cast<double>(counts.depthTestFallbacks);
    state.counters["catchUpSorts"] = static_cast<double>(counts.catchUpSorts);
}

// Transform and Render, the camera turned a little between frames so that the sort has work to do.
void BM_Frame(benchmark::State& state) {
    CQuorvaneDoc& doc = Torus(state.range(0));
    Frame frame(doc, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        frame.camera.Orbit(0.3, 0.7);
        frame.renderer.Transform(frame.camera, frame.settings);
        benchmark::DoNotOptimize(frame.renderer.Render(frame.camera, frame.settings, kImageSize).Data());
    }
    SetCounters(state, doc, frame.renderer);
}

// One left-button mouse move of 2 pixels to the right in Viewing mode: orbit, transform, render.
// The iterations are the steps of one long drag, as a user makes it; the mean time includes the
// drag's first steps (the depth layers' first pages, sorts owed while their limit is still low).
// Each step is also timed alone: stepMedian is a typical step, stepSlowest the worst hitch.
void BM_OrbitStep(benchmark::State& state) {
    CQuorvaneDoc& doc = Torus(state.range(0));
    CQuorvaneView view(&doc);
    view.OnSize(kImageSize, kImageSize);
    view.OnUpdate();
    if (state.range(1) == kSolid) {
        view.OnViewSolid();
    } else if (state.range(1) == kPoints) {
        view.OnViewPoints();
    }
    int x = 0;
    view.OnLButtonDown(x, 0);
    std::vector<double> steps;
    steps.reserve(std::size_t{1} << 16);
    for (auto _ : state) {
        x += 2;
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(view.OnMouseMove(x, 0));
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        if (steps.size() < steps.capacity()) {
            steps.push_back(took.count());
        }
    }
    SetCounters(state, doc, view.GetFrameRenderer());
    if (!steps.empty()) {
        const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
        std::nth_element(steps.begin(), middle, steps.end());
        state.counters["stepMedian"] = *middle;
        state.counters["stepSlowest"] = *std::max_element(steps.begin(), steps.end());
    }
}

// The solid frame split into its two halves.
void BM_SolidTransformOnly(benchmark::State& state) {
    CQuorvaneDoc& doc = Torus(state.range(0));
    Frame frame(doc, kSolid, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        frame.camera.Orbit(0.3, 0.7);
        frame.renderer.Transform(frame.camera, frame.settings);
    }
    SetCounters(state, doc, frame.renderer);
}

void BM_SolidRenderOnly(benchmark::State& state) {
    CQuorvaneDoc& doc = Torus(state.range(0));
    Frame frame(doc, kSolid, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(frame.renderer.Render(frame.camera, frame.settings, kImageSize).Data());
    }
    SetCounters(state, doc, frame.renderer);
}

void FrameArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"triangles", "mode"});
    for (long triangles : {100000L, 1000000L, 4000000L}) {
        for (int mode : {kWireframe, kSolid, kPoints}) {
            b->Args({triangles, mode});
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

void OrbitArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"triangles", "mode"});
    for (int mode : {kWireframe, kSolid, kPoints}) {
        b->Args({1000000L, mode});
    }
    b->Args({4000000L, kSolid});
    // A drag of some hundreds of steps at 1M triangles, some tens at 4M.
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(4.0);
}

// A solid refresh without a camera move (a lighting or mode change): the sort keeps the order it
// starts from. The counter `reused` is the share of frames whose sort did.
void BM_SolidRefreshSameCamera(benchmark::State& state) {
    CQuorvaneDoc& doc = Torus(state.range(0));
    Frame frame(doc, kSolid);
    const std::uint64_t before = frame.renderer.GetMesh().ReusedOrderCount();
    std::uint64_t frames = 0;
    for (auto _ : state) {
        frame.renderer.Transform(frame.camera, frame.settings);
        benchmark::DoNotOptimize(frame.renderer.Render(frame.camera, frame.settings, kImageSize).Data());
        ++frames;
    }
    SetCounters(state, doc, frame.renderer);
    state.counters["reused"] = static_cast<double>(frame.renderer.GetMesh().ReusedOrderCount() - before) /
                               static_cast<double>(frames);
}

BENCHMARK(BM_Frame)->Apply(FrameArguments);
BENCHMARK(BM_OrbitStep)->Apply(OrbitArguments);
BENCHMARK(BM_SolidRefreshSameCamera)
    ->ArgNames({"triangles"})
    ->Arg(1000000L)
    ->Arg(4000000L)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// The halves on one thread and on two.
void HalfArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"triangles", "threads"})->Args({1000000L, 1})->Args({1000000L, 2});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_SolidTransformOnly)->Apply(HalfArguments);
BENCHMARK(BM_SolidRenderOnly)->Apply(HalfArguments);

}  // namespace
}  // namespace quorvane
