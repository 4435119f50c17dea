// Speed of the lighting preview, the shading formula and the camera's per-vertex transform.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "render/lighting.h"
#include "render/preview.h"
#include "viewing/viewing_space.h"

namespace {

using quorvane::CLightingSettings;
using quorvane::CVector3D;
using quorvane::CViewingSpace;

// One full 128 x 108 preview, as redrawn for every trackbar message.
void BM_RenderLightingPreview(benchmark::State& state) {
    CLightingSettings settings;
    settings.SetLightPosition(CVector3D(0.3, 0.5, -0.8));
    const CViewingSpace camera = quorvane::MakePreviewCamera();
    std::array<std::uint32_t, quorvane::kPreviewWidth * quorvane::kPreviewHeight> pixels{};
    for (auto _ : state) {
        quorvane::RenderLightingPreview(settings, camera, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(pixels.size()));
}
BENCHMARK(BM_RenderLightingPreview);

// The shading of one face, called once per triangle by the solid renderer.
void BM_ComputeColor(benchmark::State& state) {
    CLightingSettings settings;
    settings.SetLightDirection(CVector3D(0.2, 0.3, -1));
    const CVector3D normal = CVector3D(0.1, -0.2, -1) / CVector3D(0.1, -0.2, -1).Length();
    const CVector3D toEye = CVector3D(-0.3, 0.1, -1) / CVector3D(-0.3, 0.1, -1).Length();
    for (auto _ : state) {
        benchmark::DoNotOptimize(settings.ComputeColor(normal, toEye));
    }
}
BENCHMARK(BM_ComputeColor);

// World to eye and projection of a vertex array, as done for every vertex on every mouse move.
void BM_ProjectVertices(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<CVector3D> vertices(count);
    for (std::size_t i = 0; i < count; ++i) {
        vertices[i] =
            CVector3D(static_cast<double>(i % 97), static_cast<double>(i % 89), static_cast<double>(i % 83));
    }
    std::vector<CVector3D> projected(count);
    CViewingSpace camera;
    camera.SetFromPoint(CVector3D(48, 44, 300));
    camera.SetAtPoint(CVector3D(48, 44, 41));
    for (auto _ : state) {
        for (std::size_t i = 0; i < count; ++i) {
            projected[i] = camera.Project(camera.WorldToEye(vertices[i]));
        }
        benchmark::DoNotOptimize(projected.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}
BENCHMARK(BM_ProjectVertices)->Arg(100000);

}  // namespace
