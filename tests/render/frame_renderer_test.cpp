// The frame renderer on its own: the two steps and the one-call frame, pictures that do not depend
// on the At Point's distance or on earlier frames, the exact pixels of far-off corners and the cut
// beyond them, the marker's scale, and drawing again after the lighting or the camera changed.
#include "render/frame_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "render/clip.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using namespace testing_support;

constexpr std::uint32_t kBlack = 0xFF000000u;

DrawingSettings Settings(DrawingMode mode) {
    DrawingSettings settings;
    settings.mode = mode;
    return settings;
}

const DrawingMode kModes[] = {DrawingMode::kWireframe, DrawingMode::kSolid, DrawingMode::kPoints};

CViewingSpace Camera(const CVector3D& at, const CVector3D& from, double angle = 45.0) {
    CViewingSpace camera;
    camera.SetAtPoint(at);
    camera.SetFromPoint(from);
    camera.SetUpVector({0, 1, 0});
    camera.SetViewingAngle(angle);
    return camera;
}

TEST(FrameRenderer, DrawsTheBackgroundAloneUntilTheFirstTransform) {
    auto doc = DocumentFromFile("cube.off");
    CFrameRenderer frame(2);
    frame.SetModel(doc.get());
    const CViewingSpace camera = FramingCamera(*doc);
    DrawingSettings settings = Settings(DrawingMode::kWireframe);
    settings.backgroundColor = RGB(5, 6, 7);
    EXPECT_EQ(CountOther(frame.Render(camera, settings, 64), Px(RGB(5, 6, 7))), 0);
    frame.Transform(camera, settings);
    EXPECT_GT(CountOther(frame.Render(camera, settings, 64), Px(RGB(5, 6, 7))), 20);
    EXPECT_EQ(frame.GetCounts().transforms, 1u);
    EXPECT_EQ(frame.GetCounts().renders, 2u);
    // A model taken anew is not drawn from the old projection.
    frame.SetModel(doc.get());
    EXPECT_EQ(CountOther(frame.Render(camera, settings, 64), Px(RGB(5, 6, 7))), 0);
    frame.SetModel(nullptr);
    EXPECT_EQ(CountOther(frame.RenderFrame(camera, settings, 64), Px(RGB(5, 6, 7))), 0);
}

TEST(FrameRenderer, OneCallFrameIsTheTwoSteps) {
    auto doc = DocumentFromFile("teapot.off");
    CViewingSpace camera = FramingCamera(*doc);
    camera.Orbit(25.0, -40.0);
    for (const DrawingMode mode : kModes) {
        DrawingSettings settings = Settings(mode);
        settings.selectedVertex = 11;
        CFrameRenderer frame(3);
        frame.SetModel(doc.get());
        const CImage& image = frame.RenderFrame(camera, settings, 150);
        EXPECT_EQ(&image, &frame.GetImage());
        EXPECT_EQ(FirstDifference(image, ReferenceRender(frame, camera, settings, 150)), -1)
            << static_cast<int>(mode);
        EXPECT_GT(CountOther(image, kBlack), 100);
    }
}

TEST(FrameRenderer, TheAtPointsDistanceAlongTheLineOfSightDoesNotChangeThePicture) {
    // The cube lies 4.5 to 5.5 in front of the eye; with the At Point 6005 away it must not vanish.
    auto doc = DocumentFromFile("cube.off");
    for (const DrawingMode mode : kModes) {
        CFrameRenderer frame(2);
        frame.SetModel(doc.get());
        const CImage near = frame.RenderFrame(Camera({0, 0, 0}, {0, 0, 5}), Settings(mode), 256);
        EXPECT_EQ(
            FirstDifference(near, ReferenceRender(frame, Camera({0, 0, 0}, {0, 0, 5}), Settings(mode), 256)),
            -1);
        EXPECT_GE(CountOther(near, kBlack), 8);
        for (const double at : {-6000.0, -1e9, 4.999, 4.9999999}) {
            const CImage& other = frame.RenderFrame(Camera({0, 0, at}, {0, 0, 5}), Settings(mode), 256);
            EXPECT_EQ(FirstDifference(near, other), -1) << static_cast<int>(mode) << " at " << at;
        }
    }
}

TEST(FrameRenderer, TinyModelsNearTheEyeLookLikeLargeOnes) {
    // Scaling the model and the camera by a power of two changes no projection.
    auto doc = DocumentFromFile("teapot.off");
    auto tiny = DocumentFromFile("teapot.off");
    constexpr double kShrink = 1.0 / 1099511627776.0;  // 2^-40
    for (CVector3D& v : tiny->m_vertices) {
        v = v * kShrink;
    }
    for (double* bound :
         {&tiny->m_minX, &tiny->m_maxX, &tiny->m_minY, &tiny->m_maxY, &tiny->m_minZ, &tiny->m_maxZ}) {
        *bound *= kShrink;
    }
    CViewingSpace camera = FramingCamera(*doc);
    camera.Orbit(10.0, 20.0);
    CViewingSpace tinyCamera = camera;
    tinyCamera.SetAtPoint(camera.GetAtPoint() * kShrink);
    tinyCamera.SetFromPoint(camera.GetFromPoint() * kShrink);
    for (const DrawingMode mode : kModes) {
        CFrameRenderer large(1);
        CFrameRenderer small(1);
        large.SetModel(doc.get());
        small.SetModel(tiny.get());
        EXPECT_EQ(FirstDifference(large.RenderFrame(camera, Settings(mode), 128),
                                  small.RenderFrame(tinyCamera, Settings(mode), 128)),
                  -1)
            << static_cast<int>(mode);
    }
}

// Eye at the origin looking along -z at 45 degrees, S = 400. A vertex (X, Y, -z) with z > 0 is at
// depth z; it projects kProjectionLimit pixels right of the image's left edge at the cut depth
// S k X / (kProjectionLimit - S / 2).
constexpr int kCutSize = 400;

double CutDepth(double lateral) {
    CViewingSpace camera;
    return kCutSize * camera.GetProjectionScale() * lateral / (kProjectionLimit - kCutSize / 2.0);
}

// Vertex 0 in the image at depth 10, then per far corner (lateral, +-0.3, at twice the cut depth of
// lateral 1) the vertex at `factor` times that cut depth on the line from vertex 0 through the
// corner: the same line in the image whatever the factor. One edge, or the triangle of both corners.
std::unique_ptr<CQuorvaneDoc> FarCornerModel(double lateral, double factor, bool triangle) {
    const CVector3D a{0.1, -0.2, -10.0};
    std::vector<CVector3D> corners = {{lateral, 0.3, -2.0 * CutDepth(1.0)}};
    if (triangle) {
        corners.push_back({lateral, -0.3, -2.0 * CutDepth(1.0)});
    }
    std::string text = "OFF\n" + std::to_string(1 + corners.size()) + " 1 0\n";
    char line[160];
    std::snprintf(line, sizeof line, "%.17g %.17g %.17g\n", a.x, a.y, a.z);
    text += line;
    for (const CVector3D& m : corners) {
        const double depth = factor * CutDepth(1.0);
        const double t = (-depth - a.z) / (m.z - a.z);
        const CVector3D p = a + (m - a) * t;
        std::snprintf(line, sizeof line, "%.17g %.17g %.17g\n", p.x, p.y, -depth);
        text += line;
    }
    text += triangle ? "3 0 1 2\n" : "2 0 1\n";
    return DocumentFromText(text);
}

TEST(FrameRenderer, CornersFarOutsideTheImageKeepTheirExactPixels) {
    // The far corners project about 1.02e9 pixels right of the image, inside the int range: their
    // pixels are the plain truncations, not pinned nearer, so the lines point the right way.
    const CViewingSpace camera = Camera({0, 0, -1}, {0, 0, 0});
    for (const bool triangle : {false, true}) {
        const DrawingMode mode = triangle ? DrawingMode::kSolid : DrawingMode::kWireframe;
        auto doc = FarCornerModel(1.9, 2.0, triangle);
        CFrameRenderer frame(2);
        frame.SetModel(doc.get());
        const CImage& image = frame.RenderFrame(camera, Settings(mode), kCutSize);
        for (int v = 1; v < (triangle ? 3 : 2); ++v) {
            const double u = kCutSize * frame.GetImageX()[v];
            const double up = kCutSize * frame.GetImageY()[v];
            ASSERT_GT(u, 0.9 * kProjectionLimit);
            ASSERT_LT(u, kProjectionLimit);
            const PixelPoint exact = triangle
                                         ? PixelPoint{static_cast<int>(u), static_cast<int>(kCutSize - up)}
                                         : PixelPoint{static_cast<int>(u), kCutSize - static_cast<int>(up)};
            EXPECT_EQ(triangle ? SolidPixel(kCutSize, frame.GetImageX()[v], frame.GetImageY()[v])
                               : LinePixel(kCutSize, frame.GetImageX()[v], frame.GetImageY()[v]),
                      exact);
        }
        EXPECT_EQ(FirstDifference(image, ReferenceRender(frame, camera, Settings(mode), kCutSize)), -1)
            << triangle;
        EXPECT_GT(CountOther(image, kBlack), 150) << triangle;
    }
}

// Triangles reaching about 32768 pixels beyond the image on either side, where a corner's pixel
// stops fitting in 16 bits: drawn exactly as the reference draws them on both sides of that bound.
TEST(FrameRenderer, CornersAroundSixteenBitsFromTheImageKeepTheirPixels) {
    const CViewingSpace camera = Camera({0, 0, -1}, {0, 0, 0}, 90.0);
    constexpr int kSize = 64;
    int within = 0;
    int beyond = 0;
    for (const double side : {1.0, -1.0}) {
        for (int step = -6; step <= 6; ++step) {
            // At depth 1 the image spans one unit each way: pixel column about 32 + 32 x.
            const double x = side * (1023.0 + (side > 0 ? 0.0 : 2.0) + step * 0.05);
            char text[200];
            std::snprintf(text, sizeof text, "OFF\n3 1 0\n0.1 -0.2 -1\n%.17g 0.3 -1\n0.2 0.5 -1\n3 0 1 2\n",
                          x);
            auto doc = DocumentFromText(text);
            CFrameRenderer frame(2);
            frame.SetModel(doc.get());
            const CImage& image = frame.RenderFrame(camera, Settings(DrawingMode::kSolid), kSize);
            const PixelPoint far = SolidPixel(kSize, frame.GetImageX()[1], frame.GetImageY()[1]);
            (far.x >= -32768 && far.x <= 32767 ? within : beyond) += 1;
            EXPECT_EQ(
                FirstDifference(image, ReferenceRender(frame, camera, Settings(DrawingMode::kSolid), kSize)),
                -1)
                << far.x;
            EXPECT_GT(CountOther(image, kBlack), 10) << far.x;
        }
    }
    EXPECT_GE(within, 4);
    EXPECT_GE(beyond, 4);
}

TEST(FrameRenderer, CornersAtTwiceTheCutDepthAreDrawnAndAtHalfAreCutOnTheSameLine) {
    const CViewingSpace camera = Camera({0, 0, -1}, {0, 0, 0});
    for (const bool triangle : {false, true}) {
        const DrawingMode mode = triangle ? DrawingMode::kSolid : DrawingMode::kWireframe;
        // At twice the cut depth a corner projects about 2^29 pixels out and keeps its own pixel:
        // the picture is the literal one.
        auto kept = FarCornerModel(1.0, 2.0, triangle);
        CFrameRenderer frame(2);
        frame.SetModel(kept.get());
        const CImage drawn = frame.RenderFrame(camera, Settings(mode), kCutSize);
        ASSERT_GT(kCutSize * frame.GetImageX()[1], 0.45 * kProjectionLimit);
        ASSERT_LT(kCutSize * frame.GetImageX()[1], 0.55 * kProjectionLimit);
        EXPECT_EQ(FirstDifference(drawn, ReferenceRender(frame, camera, Settings(mode), kCutSize)), -1)
            << triangle;
        EXPECT_GT(CountOther(drawn, kBlack), 150) << triangle;

        // At half the cut depth it would project about 2^31 pixels out and is cut where the line
        // reaches the limit: the part in the image is the same.
        auto cut = FarCornerModel(1.0, 0.5, triangle);
        CFrameRenderer cutFrame(2);
        cutFrame.SetModel(cut.get());
        const CImage& cutImage = cutFrame.RenderFrame(camera, Settings(mode), kCutSize);
        ASSERT_GT(kCutSize * cutFrame.GetImageX()[1], 1.8 * kProjectionLimit);
        EXPECT_EQ(FirstDifference(drawn, cutImage), -1) << triangle;
    }
}

TEST(FrameRenderer, LightingChangedWithoutTransformIsUsed) {
    auto doc = DocumentFromFile("teapot.off");
    CFrameRenderer frame;
    frame.SetModel(doc.get());
    const CViewingSpace camera = FramingCamera(*doc);
    DrawingSettings settings = Settings(DrawingMode::kSolid);
    frame.RenderFrame(camera, settings, 200);
    settings.lighting.SetExteriorColor(RGB(0, 200, 0));
    settings.lighting.m_shininess = 3.0;
    const CImage& image = frame.Render(camera, settings, 200);
    EXPECT_EQ(frame.GetCounts().transforms, 1u);
    EXPECT_EQ(FirstDifference(image, ReferenceRender(frame, camera, settings, 200)), -1);
}

TEST(FrameRenderer, CameraChangedWithoutTransformTurnsTheLightOnly) {
    // Render alone keeps the last projection, depth order and directions to the eye but brings the
    // light up to date for the camera it is given.
    auto doc = DocumentFromFile("teapot.off");
    CFrameRenderer frame;
    frame.SetModel(doc.get());
    const CViewingSpace camera = FramingCamera(*doc);
    const DrawingSettings settings = Settings(DrawingMode::kSolid);
    const CImage first = frame.RenderFrame(camera, settings, 200);
    CViewingSpace turned = camera;
    turned.Orbit(40.0, 70.0);
    const CImage& image = frame.Render(turned, settings, 200);
    EXPECT_NE(FirstDifference(image, first), -1);
    EXPECT_EQ(FirstDifference(image, ReferenceRender(frame, turned, settings, 200)), -1);
}

TEST(FrameRenderer, AFrameDoesNotDependOnTheFramesBefore) {
    // A flat grid seen head on has many triangles at equal distances, ordered by where the sort
    // starts from: each one-call frame starts from the tessellation's order.
    std::string text = "OFF\n64 98 0\n";
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            text += std::to_string(x - 3.5) + " " + std::to_string(y - 3.5) + " 0\n";
        }
    }
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            const int a = y * 8 + x;
            text +=
                "3 " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + 9) + "\n";
            text +=
                "3 " + std::to_string(a) + " " + std::to_string(a + 9) + " " + std::to_string(a + 8) + "\n";
        }
    }
    auto doc = DocumentFromText(text);
    const CViewingSpace headOn = Camera({0, 0, 0}, {0, 0, 12});
    CViewingSpace views[12];
    for (int i = 0; i < 12; ++i) {
        views[i] = headOn;
        views[i].Orbit(7.0 * i, 30.0 * i);
    }
    CFrameRenderer used(2);
    used.SetModel(doc.get());
    for (int i = 0; i < 12; ++i) {
        used.RenderFrame(views[i], Settings(DrawingMode::kSolid), 96);
    }
    const CImage& again = used.RenderFrame(headOn, Settings(DrawingMode::kSolid), 96);
    CFrameRenderer fresh(2);
    fresh.SetModel(doc.get());
    const CImage& first = fresh.RenderFrame(headOn, Settings(DrawingMode::kSolid), 96);
    EXPECT_EQ(used.GetMesh().GetOrder(), fresh.GetMesh().GetOrder());
    EXPECT_EQ(FirstDifference(again, first), -1);
    // The two-step path keeps the order of the frame before, as the view needs for smooth motion.
    used.Transform(views[5], Settings(DrawingMode::kSolid));
    used.Transform(headOn, Settings(DrawingMode::kSolid));
    EXPECT_NE(used.GetMesh().GetOrder(), fresh.GetMesh().GetOrder());
}

TEST(FrameRenderer, MarkerScaleSizesTheFrame) {
    auto doc = DocumentFromFile("cube.off");
    const CViewingSpace camera = FramingCamera(*doc);
    struct Case {
        double scale;
        int side;
    };
    for (const Case c : {Case{1.0, 4}, Case{2.0, 8}, Case{1.5, 6}, Case{0.1, 1}, Case{std::nan(""), 1}}) {
        CFrameRenderer frame(1);
        frame.SetModel(doc.get());
        DrawingSettings settings = Settings(DrawingMode::kPoints);
        settings.selectedVertex = 0;
        settings.markerScale = c.scale;
        const CImage& image = frame.RenderFrame(camera, settings, 256);
        CImage expected;
        expected.Resize(256);
        FillRect(expected, 0, 0, 256, 256, kBlack);
        for (std::size_t i = 0; i < frame.GetImageX().size(); ++i) {
            const PixelPoint p = SolidPixel(256, frame.GetImageX()[i], frame.GetImageY()[i]);
            SetPixel(expected, p.x, p.y, Px(RGB(0, 0, 255)));
        }
        const PixelPoint p = LinePixel(256, frame.GetImageX()[0], frame.GetImageY()[0]);
        Draw3dRect(expected, p.x - c.side / 2, p.y - c.side / 2, c.side, c.side, Px(kMarkerTopLeftColor),
                   Px(kMarkerBottomRightColor));
        EXPECT_EQ(FirstDifference(image, expected), -1) << c.scale;
    }
}

TEST(FrameRenderer, TheNearerTriangleCoversTheFartherOne) {
    // Under the placed models' camera: a red back face at depth 2 and, over half of it, a blue
    // front face at depth 1 (vertices 3 to 5).
    auto doc = DocumentFromText(
        "OFF\n6 2 0\n"
        "-0.8 -0.8 -1\n0 0.8 -1\n0.8 -0.8 -1\n"
        "0 -0.4 0\n0.4 -0.4 0\n0 0.4 0\n"
        "3 0 1 2\n3 3 4 5\n");
    CFrameRenderer frame(2);
    frame.SetModel(doc.get());
    const CViewingSpace camera = Camera({0, 0, 0}, {0, 0, 1}, 90.0);
    const CImage& image = frame.RenderFrame(camera, Settings(DrawingMode::kSolid), 400);
    EXPECT_EQ(frame.GetMesh().GetDrawnTriangle(0).m_nV1, 0);  // the farther one first
    EXPECT_EQ(FirstDifference(image, ReferenceRender(frame, camera, Settings(DrawingMode::kSolid), 400)), -1);
    const std::uint32_t back = image.Pixel(150, 260);
    const std::uint32_t front = image.Pixel(230, 220);
    EXPECT_GT(back >> 16 & 0xFFu, back & 0xFFu);    // red: the interior colour
    EXPECT_GT(front & 0xFFu, front >> 16 & 0xFFu);  // blue: the exterior colour
    // Every corner of the nearer triangle is drawn at its solid pixel in its colour.
    for (int v = 3; v < 6; ++v) {
        const PixelPoint p = SolidPixel(400, frame.GetImageX()[v], frame.GetImageY()[v]);
        EXPECT_EQ(image.Pixel(p.x, p.y), front) << v;
    }
}

// A solid frame again from the same camera (a mode or lighting change) starts its sort from an
// order that is already by distance: it is kept as it stands. The teapot has no two triangles at
// the same distance from this eye, so every correct sort gives that order.
TEST(FrameRenderer, SameCameraAgainKeepsThePaintingOrder) {
    auto doc = DocumentFromFile("teapot.off");
    CViewingSpace camera = FramingCamera(*doc);
    camera.Orbit(25.0, -40.0);
    const DrawingSettings settings = Settings(DrawingMode::kSolid);
    CFrameRenderer frame(2);
    frame.SetModel(doc.get());
    const CImage first = frame.RenderFrame(camera, settings, 150);
    const std::vector<int> order = frame.GetMesh().GetOrder();
    ASSERT_EQ(frame.GetMesh().LastSortPath(), DepthSortPath::kDistinctKeys);
    const std::uint64_t reused = frame.GetMesh().ReusedOrderCount();
    frame.Transform(camera, settings);
    EXPECT_EQ(frame.GetMesh().ReusedOrderCount(), reused + 1);
    EXPECT_EQ(frame.GetMesh().GetOrder(), order);
    EXPECT_EQ(FirstDifference(frame.Render(camera, settings, 150), first), -1);
    // A small turn keeps most of the order: still exactly the reference picture.
    camera.Orbit(0.05, 0.0);
    frame.Transform(camera, settings);
    EXPECT_EQ(
        FirstDifference(frame.Render(camera, settings, 150), ReferenceRender(frame, camera, settings, 150)),
        -1);
}

// A renderer that frees the sort's memory after every sort draws the same pictures, frame after
// frame, and holds none of it between frames.
TEST(FrameRenderer, FreeingTheSortMemoryChangesNoPixel) {
    auto doc = DocumentFromFile("teapot.off");
    CViewingSpace camera = FramingCamera(*doc);
    const DrawingSettings settings = Settings(DrawingMode::kSolid);
    CFrameRenderer keeping(2);
    CFrameRenderer freeing(2);
    freeing.SetFreeSortMemory(true);
    keeping.SetModel(doc.get());
    freeing.SetModel(doc.get());
    for (int step = 0; step < 3; ++step) {
        camera.Orbit(15.0, 5.0);
        const CImage kept = keeping.RenderFrame(camera, settings, 120);
        EXPECT_EQ(FirstDifference(freeing.RenderFrame(camera, settings, 120), kept), -1) << step;
        EXPECT_GT(keeping.GetMesh().SortMemoryBytes(), 0u);
        EXPECT_EQ(freeing.GetMesh().SortMemoryBytes(), 0u);
    }
}

// The vertices' pixels are made with the projection for the image as it is sized; a Render of
// another size, or by the other pixel rule, makes them again.
TEST(FrameRenderer, PixelsMadeWithTheProjectionFollowTheImageAndTheMode) {
    auto doc = DocumentFromFile("teapot.off");
    CViewingSpace camera = FramingCamera(*doc);
    camera.Orbit(10.0, 20.0);
    CFrameRenderer frame(2);
    frame.SetModel(doc.get());
    frame.RenderFrame(camera, Settings(DrawingMode::kWireframe), 64);
    struct Step {
        DrawingMode transformMode;  // the mode of the Transform before the Render
        DrawingMode renderMode;
        int size;
    };
    const Step steps[] = {{DrawingMode::kWireframe, DrawingMode::kWireframe, 64},
                          {DrawingMode::kWireframe, DrawingMode::kWireframe, 90},
                          {DrawingMode::kWireframe, DrawingMode::kPoints, 90},
                          {DrawingMode::kPoints, DrawingMode::kWireframe, 90},
                          {DrawingMode::kSolid, DrawingMode::kSolid, 90},
                          {DrawingMode::kSolid, DrawingMode::kSolid, 70}};
    for (const Step& step : steps) {
        camera.Orbit(3.0, 5.0);
        frame.Transform(camera, Settings(step.transformMode));
        const DrawingSettings settings = Settings(step.renderMode);
        const CImage& image = frame.Render(camera, settings, step.size);
        EXPECT_EQ(FirstDifference(image, ReferenceRender(frame, camera, settings, step.size)), -1)
            << static_cast<int>(step.transformMode) << " then " << static_cast<int>(step.renderMode) << " at "
            << step.size;
    }
}

}  // namespace
}  // namespace quorvane
