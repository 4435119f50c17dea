// Vertices at or behind the eye, non-finite and huge coordinates, and drawing in bands on several
// threads.
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "render/view.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using namespace testing_support;

// A floor 200 wide at y = -1 reaching from z = -100 to z = +100, and a triangle with a corner at the
// origin, where the eye will stand.
constexpr const char* kFloor =
    "OFF\n7 2 0\n-100 -1 -100\n100 -1 -100\n100 -1 100\n-100 -1 100\n0 0 0\n1 -1 -5\n-1 -1 -5\n"
    "4 0 1 2 3\n3 4 5 6\n";

constexpr std::uint32_t kBlack = 0xFF000000u;

// The eye at the origin looking along -z: half the floor and one corner of the triangle are at or
// behind the eye; everything drawn lies below the horizon.
std::unique_ptr<CQuorvaneView> FloorView(CQuorvaneDoc& doc, int threads) {
    auto view = MakeView(doc);
    view->SetRenderThreads(threads);
    view->ApplyViewingParameters({0, 0, -1}, {0, 0, 0}, {0, 1, 0}, 45.0);
    return view;
}

int FirstDrawnRow(const CImage& image) {
    for (int y = 0; y < image.Size(); ++y) {
        for (int x = 0; x < image.Size(); ++x) {
            if (image.Pixel(x, y) != kBlack) {
                return y;
            }
        }
    }
    return image.Size();
}

// The far edge at depth 100 is at row 400 - trunc(400 (0.5 - 1.2071 / 100)) = 205 as a line and at
// row trunc(204.8) = 204 as a triangle corner: nothing may be drawn above it.
TEST(ViewNearPlane, SolidFloorBehindTheEyeFillsOnlyBelowTheHorizon) {
    auto doc = DocumentFromText(kFloor);
    auto view = FloorView(*doc, 1);
    view->OnViewSolid();
    const CImage& image = view->GetImage();
    EXPECT_EQ(FirstDrawnRow(image), 204);
    // The floor reaches past both sides at every depth, so every row below the horizon is full.
    for (int y = 205; y < 400; ++y) {
        for (int x = 0; x < 400; x += 7) {
            ASSERT_NE(image.Pixel(x, y), kBlack) << x << ", " << y;
        }
    }
}

TEST(ViewNearPlane, WireframeDrawsTheFarEdgeAndCutsTheSides) {
    auto doc = DocumentFromText(kFloor);
    auto view = FloorView(*doc, 1);
    const CImage& image = view->GetImage();
    EXPECT_EQ(FirstDrawnRow(image), 205);
    for (int x = 0; x < 400; ++x) {
        EXPECT_EQ(image.Pixel(x, 205), Px(RGB(0, 0, 255))) << x;
    }
    // The triangle's edges from the eye's own position are seen end on and shrink to their far
    // corner; its edge between the corners at depth 5 is drawn across the centre column.
    const PixelPoint corner = VertexLinePixel(*view, 5);
    EXPECT_EQ(image.Pixel(corner.x, corner.y), Px(RGB(0, 0, 255)));
    EXPECT_EQ(image.Pixel(200, corner.y), Px(RGB(0, 0, 255)));
    EXPECT_EQ(image.Pixel(corner.x, corner.y + 1), kBlack);
}

TEST(ViewNearPlane, PointsAndTheMarkerBehindTheEyeAreNotDrawn) {
    auto doc = DocumentFromText(kFloor);
    CFrameRenderer frame(1);
    frame.SetModel(doc.get());
    CViewingSpace camera;
    camera.SetAtPoint({0, 0, -1});
    camera.SetFromPoint({0, 0, 0});
    DrawingSettings settings;
    settings.mode = DrawingMode::kPoints;
    // Vertices 5 and 6 are the only ones in front and inside the image.
    EXPECT_EQ(CountOther(frame.RenderFrame(camera, settings, 400), kBlack), 2);
    settings.selectedVertex = 2;  // behind the eye
    EXPECT_EQ(CountOther(frame.RenderFrame(camera, settings, 400), kBlack), 2);
    settings.selectedVertex = 4;  // at the eye
    EXPECT_EQ(CountOther(frame.RenderFrame(camera, settings, 400), kBlack), 2);
    settings.selectedVertex = 5;
    EXPECT_EQ(CountOther(frame.RenderFrame(camera, settings, 400), kBlack), 2 + 12);
}

TEST(ViewNearPlane, VerticesJustInFrontKeepTheirExactPixels) {
    // The literal drawing applies wherever every vertex is in front, even close to the eye.
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    view->OnViewSolid();
    for (int step = 0; step < 30; ++step) {
        view->OnRButtonDown(0, 0);
        view->OnMouseMove(0, -1);  // 5 % closer per step
    }
    const CImage expected = ReferenceRender(*view);
    EXPECT_EQ(FirstDifference(view->GetImage(), expected), -1);
}

TEST(ViewNearPlane, AnOrbitThroughTheModelDrawsNoGarbageInAnyMode) {
    // The eye inside the teapot with a wide angle: many primitives are cut; the drawing must not
    // crash and must not depend on the number of threads.
    auto doc = DocumentFromFile("teapot.off");
    for (const char* mode : {"wireframe", "solid", "points"}) {
        auto one = MakeView(*doc);
        auto two = MakeView(*doc);
        one->SetRenderThreads(1);
        two->SetRenderThreads(2);
        for (CQuorvaneView* view : {one.get(), two.get()}) {
            if (std::string(mode) == "solid") {
                view->OnViewSolid();
            } else if (std::string(mode) == "points") {
                view->OnViewPoints();
            }
            view->ApplyViewingParameters({0, 0, -50}, {0.3, 1.7, 0.2}, {0, 1, 0}, 90.0);
        }
        EXPECT_EQ(FirstDifference(one->GetImage(), two->GetImage()), -1) << mode;
        EXPECT_GT(CountOther(one->GetImage(), kBlack), 0) << mode;
    }
}

TEST(ViewNonFinite, NaNAndHugeCoordinatesDrawSafely) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 1));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    doc->m_vertices[0] = {nan, 0.0, 0.0};
    doc->m_vertices[1] = {1e300, -1e300, 0.2};
    doc->m_vertices[2] = {1e308, 1e308, -1e308};
    doc->m_vertices[3] = {0.0, std::numeric_limits<double>::infinity(), 0.0};
    for (int round = 0; round < 2; ++round) {
        view->OnViewSolid();
        view->OnLButtonDown(0, 0);
        view->OnMouseMove(30, 30);
        view->OnLButtonUp(30, 30);
        view->OnViewPoints();
        view->OnViewWireframe();
        view->OnSize(97, 97);
        // Vertex 4 at the eye, 5 and 6 at the side of it: projections of 0 / 0 and x / 0.
        doc->m_vertices[4] = view->GetViewingSpace().GetFromPoint();
        doc->m_vertices[5] = view->GetViewingSpace().GetFromPoint() + view->GetViewingSpace().GetV() * 1e-300;
        doc->m_vertices[6] = view->GetViewingSpace().GetFromPoint() + view->GetViewingSpace().GetU() * 1e200;
        view->TransformModel();
        view->RenderModel();
        view->OnLButtonDblClk(40, 40);
        view->OnEditingMode();
        view->OnLButtonDown(0, 0);
        view->OnMouseMove(3, 3);
        view->OnViewingMode();
    }
    // Vertex 7 is untouched and in front: the wireframe still shows something.
    EXPECT_GT(CountOther(view->GetImage(), kBlack), 0);
}

struct ThreadCase {
    const char* file;
    const char* text;
    int size;
};

class ViewRenderThreads : public ::testing::TestWithParam<ThreadCase> {};

TEST_P(ViewRenderThreads, AnyThreadCountGivesTheSamePixels) {
    const ThreadCase& c = GetParam();
    auto doc = c.file != nullptr ? DocumentFromFile(c.file) : DocumentFromText(c.text);
    CViewingSpace camera = FramingCamera(*doc);
    camera.Orbit(-40.0, 25.0);
    CFrameRenderer reference(1);
    reference.SetModel(doc.get());
    for (int threads : {2, 3, 8}) {
        CFrameRenderer frame(threads);
        frame.SetModel(doc.get());
        for (const DrawingMode mode : {DrawingMode::kWireframe, DrawingMode::kSolid, DrawingMode::kPoints}) {
            DrawingSettings settings;
            settings.mode = mode;
            settings.selectedVertex = 2;
            for (CFrameRenderer* f : {&reference, &frame}) {
                f->Transform(camera, settings);
                f->Render(camera, settings, c.size);
            }
            EXPECT_EQ(FirstDifference(reference.GetImage(), frame.GetImage()), -1)
                << threads << " threads, mode " << static_cast<int>(mode);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, ViewRenderThreads,
                         ::testing::Values(ThreadCase{"teapot.off", nullptr, 257},
                                           ThreadCase{"double_torus.off", nullptr, 3},
                                           ThreadCase{nullptr, kFloor, 200}),
                         [](const ::testing::TestParamInfo<ThreadCase>& info) {
                             std::string name = info.param.file != nullptr ? info.param.file : "floor.off";
                             name.erase(name.find('.'));
                             return name + "_" + std::to_string(info.param.size);
                         });

TEST(ViewRenderThreads, FloorThroughTheEyeIsTheSameOnOneAndTwoThreads) {
    auto doc = DocumentFromText(kFloor);
    for (int mode = 0; mode < 3; ++mode) {
        auto one = FloorView(*doc, 1);
        auto two = FloorView(*doc, 2);
        for (CQuorvaneView* v : {one.get(), two.get()}) {
            if (mode == 1) {
                v->OnViewSolid();
            } else if (mode == 2) {
                v->OnViewPoints();
            }
        }
        EXPECT_EQ(FirstDifference(one->GetImage(), two->GetImage()), -1) << mode;
    }
}

}  // namespace
}  // namespace quorvane
