// The depth-tested solid drawing against painting farthest first: the same pixels and the same
// painting order, frame after frame, on scenes made to meet every way the test can fail (equal
// distances with equal and with different colours, cut triangles, distances that are not finite
// numbers), on any number of threads; and the counts showing which way each frame went.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/frame_renderer.h"
#include "render/renderer.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using testing_support::DocumentFromText;
using testing_support::FirstDifference;
using testing_support::FramingCamera;
using testing_support::MakeView;
using testing_support::SelectVertex;

DrawingSettings Solid() {
    DrawingSettings settings;
    settings.mode = DrawingMode::kSolid;
    return settings;
}

// A renderer that paints and one that depth-tests, both drawing `doc` on `threads` threads.
struct Renderers {
    Renderers(const CQuorvaneDoc& doc, int threads) : painter(threads), tested(threads) {
        painter.SetSolidMethod(SolidMethod::kPainter);
        painter.SetModel(&doc);
        tested.SetModel(&doc);
    }
    CFrameRenderer painter;
    CFrameRenderer tested;
};

// A camera at `from` looking at `at`, up along y.
CViewingSpace LookingFrom(const CVector3D& from, const CVector3D& at) {
    CViewingSpace camera;
    camera.SetFromPoint(from);
    camera.SetAtPoint(at);
    camera.SetUpVector({0.0, 1.0, 0.0});
    camera.ComputeBasis();
    return camera;
}

// What a scene is made to meet.
enum class Scene {
    kScattered,   // triangles of all sizes at random: distances all different
    kDuplicated,  // every third triangle twice: equal distances, equal colours
    kReversed,    // some triangles again at the end, turned over: equal distances, other colours
    kGrid,        // a regular grid of squares: equal distances along shared edges in symmetric views
    kInside,      // the camera among the triangles: cut at the eye and at the image's edges
    kHuge,        // kScattered and a triangle whose centroid lies beyond the largest double
    kThroughEye,  // a floor reaching behind the eye, cut at it, and one small triangle far off
    kMirrored,    // a triangle and its mirror image in the plane x = 0, apart on screen, and others
};

std::string ToText(const std::vector<std::array<double, 3>>& vertices,
                   const std::vector<std::array<int, 3>>& faces) {
    std::string text =
        "OFF\n" + std::to_string(vertices.size()) + " " + std::to_string(faces.size()) + " 0\n";
    for (const auto& v : vertices) {
        text += std::to_string(v[0]) + " " + std::to_string(v[1]) + " " + std::to_string(v[2]) + "\n";
    }
    for (const auto& f : faces) {
        text += "3 " + std::to_string(f[0]) + " " + std::to_string(f[1]) + " " + std::to_string(f[2]) + "\n";
    }
    return text;
}

std::string MakeScene(Scene scene, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<std::array<double, 3>> vertices;
    std::vector<std::array<int, 3>> faces;
    if (scene == Scene::kGrid) {
        constexpr int kSide = 9;
        for (int y = 0; y <= kSide; ++y) {
            for (int x = 0; x <= kSide; ++x) {
                vertices.push_back({x - kSide / 2.0, y - kSide / 2.0, 0.0});
            }
        }
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const int a = y * (kSide + 1) + x;
                faces.push_back({a, a + 1, a + kSide + 2});
                faces.push_back({a, a + kSide + 2, a + kSide + 1});
            }
        }
        return ToText(vertices, faces);
    }
    // The turned-over copies go beyond the first run of triangles the depth test deals to a layer.
    if (scene == Scene::kMirrored) {
        // Seen from any eye in the plane x = 0 the two first triangles lie at the same distance,
        // and never share a pixel.
        vertices = {{1.0, 0.0, 0.0},  {2.0, 0.0, 0.0},  {1.5, 1.0, 0.0},  {-1.0, 0.0, 0.0}, {-2.0, 0.0, 0.0},
                    {-1.5, 1.0, 0.0}, {0.2, -1.0, 0.3}, {0.7, -1.2, 0.1}, {0.4, -0.5, 0.9}};
        faces = {{0, 1, 2}, {3, 5, 4}, {6, 7, 8}};
        return ToText(vertices, faces);
    }
    if (scene == Scene::kThroughEye) {
        vertices = {{-40.0, -1.0, -40.0}, {40.0, -1.0, -40.0}, {0.0, -1.0, 60.0},
                    {0.0, 0.0, -9.0},     {0.05, 0.0, -9.0},   {0.0, 0.05, -9.0}};
        faces = {{0, 1, 2}, {3, 4, 5}};
        return ToText(vertices, faces);
    }
    const int count = scene == Scene::kReversed ? 600 : 150;
    std::vector<std::array<int, 3>> reversed;
    for (int t = 0; t < count; ++t) {
        const double size = t % 10 == 0 ? 0.8 : (t % 3 == 0 ? 0.25 : 0.04);
        const double x = unit(random);
        const double y = unit(random);
        const double z = unit(random);
        const int first = static_cast<int>(vertices.size());
        for (int k = 0; k < 3; ++k) {
            vertices.push_back({x + size * unit(random), y + size * unit(random), z + size * unit(random)});
        }
        faces.push_back({first, first + 1, first + 2});
        if (scene == Scene::kDuplicated && t % 3 == 0) {
            faces.push_back({first, first + 1, first + 2});
        }
        if (scene == Scene::kReversed && t % 23 == 0 && t < 200) {
            reversed.push_back({first, first + 2, first + 1});
        }
    }
    // Far from the originals in number, so that with more than one thread they fall to another
    // depth layer.
    faces.insert(faces.end(), reversed.begin(), reversed.end());
    if (scene == Scene::kHuge) {
        const int first = static_cast<int>(vertices.size());
        vertices.push_back({1.5e308, 0.0, 0.0});
        vertices.push_back({1.5e308, 1.0, 0.0});
        vertices.push_back({0.0, 0.0, 0.0});
        faces.push_back({first, first + 1, first + 2});
    }
    return ToText(vertices, faces);
}

struct SceneRun {
    Scene scene;
    int threads;
};

// Frames in a row from turning, zooming and repeated cameras, with the order looked at now and
// then (which makes the owed sorts) and pictures drawn alone in between.
TEST(DepthTestMatchesPainting, RandomScenesFrameAfterFrame) {
    CFrameRenderer::Counts total;
    const SceneRun runs[] = {{Scene::kScattered, 1},  {Scene::kScattered, 2}, {Scene::kDuplicated, 2},
                             {Scene::kDuplicated, 3}, {Scene::kReversed, 1},  {Scene::kReversed, 2},
                             {Scene::kGrid, 1},       {Scene::kGrid, 2},      {Scene::kInside, 2},
                             {Scene::kThroughEye, 2}};
    for (const SceneRun& run : runs) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            const std::string label = "scene " + std::to_string(static_cast<int>(run.scene)) + " seed " +
                                      std::to_string(seed) + " threads " + std::to_string(run.threads);
            auto doc = DocumentFromText(MakeScene(run.scene, seed));
            Renderers renderers(*doc, run.threads);
            CFrameRenderer& painter = renderers.painter;
            CFrameRenderer& tested = renderers.tested;
            CViewingSpace camera = FramingCamera(*doc);
            if (run.scene == Scene::kInside) {
                camera.Zoom(5.0);
            }
            if (run.scene == Scene::kThroughEye) {
                camera = LookingFrom({0.0, 0.0, 0.0}, {0.0, 0.0, -1.0});
            }
            std::mt19937 random(seed * 7919u);
            std::uniform_int_distribution<int> pick(0, 9);
            std::uniform_real_distribution<double> turn(-20.0, 20.0);
            const DrawingSettings settings = Solid();
            for (int step = 0; step < 45; ++step) {
                const int what = pick(random);
                if (what < 5) {
                    camera.Orbit(turn(random), turn(random));
                } else if (what == 5) {
                    camera.Orbit(90.0, 0.0);  // to a head-on, symmetric view
                } else if (what == 6 && run.scene != Scene::kInside) {
                    camera.Zoom(turn(random) > 0.0 ? 80.0 : 125.0);
                }
                // what 7 keeps the camera: the same frame again
                const int size = step % 11 == 10 ? 64 : 96;
                if (what == 8) {
                    painter.RenderFrame(camera, settings, size);
                    tested.RenderFrame(camera, settings, size);
                } else {
                    painter.Transform(camera, settings);
                    tested.Transform(camera, settings);
                }
                const CImage& expected = painter.Render(camera, settings, size);
                ASSERT_EQ(FirstDifference(tested.Render(camera, settings, size), expected), -1)
                    << label << " step " << step;
                if (what == 9) {
                    ASSERT_EQ(tested.GetMesh().GetOrder(), painter.GetMesh().GetOrder())
                        << label << " step " << step;
                }
            }
            EXPECT_EQ(tested.GetMesh().GetOrder(), painter.GetMesh().GetOrder()) << label;
            EXPECT_EQ(painter.GetCounts().depthTestedFrames, 0u) << label;
            const CFrameRenderer::Counts counts = tested.GetCounts();
            total.depthTestedFrames += counts.depthTestedFrames;
            total.depthTestFallbacks += counts.depthTestFallbacks;
            total.catchUpSorts += counts.catchUpSorts;
            total.replays += counts.replays;
        }
    }
    // Every way through was taken (replays, which these scenes settle before they are needed, are
    // counted in the long runs below).
    EXPECT_GT(total.depthTestedFrames, 100u);
    EXPECT_GT(total.depthTestFallbacks, 0u);
    EXPECT_GT(total.catchUpSorts, 0u);
}

// Long runs of frames without a look at the order: the owed sorts are made when there are as many
// as the limit, which doubles while the latest frame alone decides the order; when it does not,
// the frames are replayed from the latest that does, or from the start.
TEST(DepthTestMatchesPainting, LongRunsMakeTheOwedSortsOnTheirOwn) {
    for (const Scene scene : {Scene::kScattered, Scene::kDuplicated, Scene::kMirrored, Scene::kGrid}) {
        auto doc = DocumentFromText(MakeScene(scene, 11));
        Renderers renderers(*doc, 2);
        CFrameRenderer& painter = renderers.painter;
        CFrameRenderer& tested = renderers.tested;
        CViewingSpace headOn = FramingCamera(*doc);
        if (scene == Scene::kMirrored) {
            headOn = LookingFrom({0.0, 0.0, 10.0}, {0.0, 0.0, 0.0});
        }
        CViewingSpace camera = headOn;
        // Limits 8, 16, 32, 64 and 128 reached, and 128 frames owed again.
        const std::size_t frames = scene == Scene::kGrid       ? 6
                                   : scene == Scene::kMirrored ? CFrameRenderer::kFirstOwedLimit + 3
                                                               : 8 + 16 + 32 + 64 + 128 + 128;
        for (std::size_t i = 0; i < frames; ++i) {
            // Turned up and down only, the mirrored scene's eye stays in its plane of symmetry.
            camera.Orbit(scene == Scene::kMirrored ? 5.0 : 1.5, scene == Scene::kMirrored ? 0.0 : 4.0);
            painter.Transform(camera, Solid());
            tested.Transform(camera, Solid());
            ASSERT_EQ(
                FirstDifference(tested.Render(camera, Solid(), 80), painter.Render(camera, Solid(), 80)), -1)
                << i;
        }
        if (scene == Scene::kGrid) {
            // Turned, the squares' triangles all lie at different distances; head-on, squares
            // mirrored in a diagonal lie at equal ones.
            painter.Transform(headOn, Solid());
            tested.Transform(headOn, Solid());
            ASSERT_EQ(
                FirstDifference(tested.Render(headOn, Solid(), 80), painter.Render(headOn, Solid(), 80)), -1);
        }
        const CFrameRenderer::Counts before = tested.GetCounts();
        EXPECT_EQ(tested.GetMesh().GetOrder(), painter.GetMesh().GetOrder());
        if (scene == Scene::kScattered) {
            EXPECT_EQ(before.depthTestedFrames, frames);
            EXPECT_EQ(before.catchUpSorts, 5u);
            EXPECT_EQ(before.replays, 0u);
            EXPECT_EQ(tested.GetCounts().catchUpSorts, 6u);  // the look
        } else if (scene == Scene::kDuplicated) {
            // The first frame meets copies at one distance on the same pixels: its sort is made at
            // once, and from then on every frame is sorted.
            EXPECT_EQ(before.depthTestedFrames, 1u);
            EXPECT_EQ(before.replays, 0u);
            EXPECT_EQ(before.catchUpSorts, 1u);
        } else if (scene == Scene::kMirrored) {
            // Equal distances in every frame, on no common pixel: at the first limit no frame
            // decides alone, so all are tried going back, then replayed from the saved order; from
            // then on every frame is sorted.
            EXPECT_EQ(before.replays, 1u);
            EXPECT_EQ(before.depthTestedFrames, CFrameRenderer::kFirstOwedLimit);
            EXPECT_EQ(before.catchUpSorts, 2 * CFrameRenderer::kFirstOwedLimit);
        } else {
            // The head-on frame meets squares' triangles at one distance on their shared diagonal
            // pixels: its sorts are made at once, the head-on frame's, the turned one's before it,
            // which decides, and the head-on one's again.
            EXPECT_EQ(before.depthTestedFrames, 7u);
            EXPECT_EQ(before.replays, 1u);
            EXPECT_EQ(before.catchUpSorts, 3u);
        }
    }
}

// Frames redrawn from one eye (a resize, a lighting change) that owe sorts with equal distances:
// going back, the frames from the same eye are not sorted again to see whether they decide.
TEST(DepthTestMatchesPainting, RepeatedFramesFromOneEyeAreTriedOnce) {
    auto doc = DocumentFromText(MakeScene(Scene::kMirrored, 1));
    Renderers renderers(*doc, 2);
    CFrameRenderer& painter = renderers.painter;
    CFrameRenderer& tested = renderers.tested;
    const CViewingSpace camera = LookingFrom({0.0, 3.0, 10.0}, {0.0, 0.0, 0.0});
    for (std::size_t i = 0; i <= CFrameRenderer::kFirstOwedLimit; ++i) {
        painter.Transform(camera, Solid());
        tested.Transform(camera, Solid());
        ASSERT_EQ(FirstDifference(tested.Render(camera, Solid(), 64), painter.Render(camera, Solid(), 64)),
                  -1)
            << i;
    }
    EXPECT_EQ(tested.GetMesh().GetOrder(), painter.GetMesh().GetOrder());
    // At the limit: the latest frame, then the saved order replayed through every frame.
    EXPECT_EQ(tested.GetCounts().replays, 1u);
    EXPECT_EQ(tested.GetCounts().catchUpSorts, 1 + CFrameRenderer::kFirstOwedLimit);
}

// A vertex moved in solid mode: the owed sorts are made with the positions the frames were drawn
// with, so the order and the pictures after the move are those of painting every frame.
TEST(DepthTestMatchesPainting, DraggingAVertexAfterDepthTestedFrames) {
    const std::string text = MakeScene(Scene::kDuplicated, 5);
    auto paintedDoc = DocumentFromText(text);
    auto testedDoc = DocumentFromText(text);
    auto painter = MakeView(*paintedDoc, 120);
    auto tested = MakeView(*testedDoc, 120);
    painter->SetSolidMethod(SolidMethod::kPainter);
    for (auto* view : {painter.get(), tested.get()}) {
        view->OnViewSolid();
        view->OnLButtonDown(0, 0);
        for (int step = 1; step <= 5; ++step) {
            view->OnMouseMove(7 * step, 3 * step);
        }
        view->OnLButtonUp(35, 15);
    }
    EXPECT_EQ(FirstDifference(tested->GetImage(), painter->GetImage()), -1);
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*painter, 30));
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*tested, 30));
    for (auto* view : {painter.get(), tested.get()}) {
        view->OnEditingMode();
        view->OnLButtonDown(0, 0);
        view->OnMouseMove(12, -9);
        view->OnLButtonUp(12, -9);
    }
    EXPECT_EQ(FirstDifference(tested->GetImage(), painter->GetImage()), -1);
    EXPECT_EQ(tested->GetFrameRenderer().GetMesh().GetOrder(),
              painter->GetFrameRenderer().GetMesh().GetOrder());
    EXPECT_GT(tested->GetFrameRenderer().GetCounts().depthTestedFrames, 0u);
}

// A triangle whose centroid lies beyond the largest double has no distance to compare: the frame
// is painted, as is one whose image is too large for the depth layers.
TEST(DepthTestMatchesPainting, FramesTheTestCannotDrawArePainted) {
    auto doc = DocumentFromText(MakeScene(Scene::kHuge, 3));
    ASSERT_NE(doc, nullptr);
    const CViewingSpace camera = FramingCamera(*DocumentFromText(MakeScene(Scene::kScattered, 3)));
    Renderers renderers(*doc, 2);
    CFrameRenderer& painter = renderers.painter;
    CFrameRenderer& tested = renderers.tested;
    EXPECT_EQ(
        FirstDifference(tested.RenderFrame(camera, Solid(), 90), painter.RenderFrame(camera, Solid(), 90)),
        -1);
    EXPECT_EQ(tested.GetCounts().depthTestFallbacks, 1u);
    EXPECT_EQ(tested.GetCounts().depthTestedFrames, 0u);

    EXPECT_EQ(CSceneRenderer::DepthLayers(1024, 2), 2);
    EXPECT_EQ(CSceneRenderer::DepthLayers(2896, 2), 1);
    EXPECT_EQ(CSceneRenderer::DepthLayers(2897, 2), 0);
}

// Real models of other people's making (quads and larger polygons split into fans, a cube whose
// faces meet at equal distances in its symmetric views): the same pictures and order frame after
// frame as painting.
TEST(DepthTestMatchesPainting, RealModelsWhileTurning) {
    CFrameRenderer::Counts total;
    for (const char* name : {"cube.off", "double_torus.off", "mannequin_devil.off", "teapot.off",
                             "torus_quads.off", "wuson.off"}) {
        auto doc = testing_support::DocumentFromFile(name);
        ASSERT_NE(doc, nullptr) << name;
        Renderers renderers(*doc, 2);
        CFrameRenderer& painter = renderers.painter;
        CFrameRenderer& tested = renderers.tested;
        CViewingSpace camera = FramingCamera(*doc);
        for (int step = 0; step < 24; ++step) {
            camera.Orbit(step % 6 == 5 ? 90.0 : 7.0, 11.0);
            painter.Transform(camera, Solid());
            tested.Transform(camera, Solid());
            ASSERT_EQ(
                FirstDifference(tested.Render(camera, Solid(), 128), painter.Render(camera, Solid(), 128)),
                -1)
                << name << " step " << step;
        }
        EXPECT_EQ(tested.GetMesh().GetOrder(), painter.GetMesh().GetOrder()) << name;
        const CFrameRenderer::Counts counts = tested.GetCounts();
        total.depthTestedFrames += counts.depthTestedFrames;
        total.depthTestFallbacks += counts.depthTestFallbacks;
    }
    EXPECT_GT(total.depthTestedFrames, 100u);
}

}  // namespace
}  // namespace quorvane
