// Mouse input through the view: button flags and the last position, the camera motions with their
// thresholds and fixed steps, double-click selection and vertex dragging in Editing mode.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "render/drawing_settings.h"
#include "render/view.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using namespace testing_support;

// A model of largest extent 4 centred on the origin: the default eye is at (0, 0, 10).
constexpr const char* kExtentFour = "OFF\n4 2 0\n-2 -2 0\n2 -2 0\n2 2 0\n0 0 2\n3 0 1 2\n3 0 2 3\n";

void ExpectCameraEq(const CViewingSpace& actual, const CViewingSpace& expected) {
    EXPECT_EQ(actual.GetFromPoint(), expected.GetFromPoint());
    EXPECT_EQ(actual.GetAtPoint(), expected.GetAtPoint());
    EXPECT_EQ(actual.GetUpVector(), expected.GetUpVector());
}

// The number of times the view's image has been drawn.
std::uint64_t Renders(const CQuorvaneView& view) {
    return view.GetFrameRenderer().GetCounts().renders;
}

void ExpectNear(const CVector3D& actual, const CVector3D& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-12);
    EXPECT_NEAR(actual.y, expected.y, 1e-12);
    EXPECT_NEAR(actual.z, expected.z, 1e-12);
}

class ViewMouse : public ::testing::Test {
  protected:
    void SetUp() override {
        doc = DocumentFromText(kExtentFour);
        view = MakeView(*doc);
    }
    std::unique_ptr<CQuorvaneDoc> doc;
    std::unique_ptr<CQuorvaneView> view;
};

TEST_F(ViewMouse, ButtonsSetTheirFlagsAndDownsStoreThePosition) {
    EXPECT_EQ(view->OnLButtonDown(11, 12), Repaint::kNone);
    EXPECT_TRUE(view->IsLeftButtonDown());
    EXPECT_EQ(view->GetLastMouseX(), 11);
    EXPECT_EQ(view->GetLastMouseY(), 12);
    EXPECT_EQ(view->OnRButtonDown(21, 22), Repaint::kNone);
    EXPECT_TRUE(view->IsRightButtonDown());
    EXPECT_EQ(view->GetLastMouseX(), 21);
    EXPECT_EQ(view->GetLastMouseY(), 22);
    EXPECT_EQ(view->OnLButtonUp(1, 1), Repaint::kNone);
    EXPECT_FALSE(view->IsLeftButtonDown());
    EXPECT_EQ(view->GetLastMouseX(), 21);  // an up message keeps the position
    EXPECT_EQ(view->OnRButtonUp(1, 1), Repaint::kNone);
    EXPECT_FALSE(view->IsRightButtonDown());
}

TEST_F(ViewMouse, MovesWithoutButtonsOnlyStoreThePosition) {
    const CViewingSpace before = view->GetViewingSpace();
    const std::uint64_t renders = Renders(*view);
    EXPECT_EQ(view->OnMouseMove(50, 60), Repaint::kNone);
    EXPECT_EQ(view->GetLastMouseX(), 50);
    EXPECT_EQ(view->GetLastMouseY(), 60);
    ExpectCameraEq(view->GetViewingSpace(), before);
    EXPECT_EQ(Renders(*view), renders);
}

struct CameraCase {
    const char* name;
    bool left;
    bool right;
    int dx;
    int dy;
    Repaint repaint;
    // The motion expected, applied to a copy of the camera.
    void (*expected)(CViewingSpace&);
};

class ViewCameraDrag : public ViewMouse, public ::testing::WithParamInterface<CameraCase> {};

TEST_P(ViewCameraDrag, MovesTheCameraByTheMapping) {
    const CameraCase& c = GetParam();
    if (c.left) {
        view->OnLButtonDown(100, 100);
    }
    if (c.right) {
        view->OnRButtonDown(100, 100);
    }
    CViewingSpace expected = view->GetViewingSpace();
    c.expected(expected);
    const std::uint64_t renders = Renders(*view);
    EXPECT_EQ(view->OnMouseMove(100 + c.dx, 100 + c.dy), c.repaint);
    ExpectCameraEq(view->GetViewingSpace(), expected);
    EXPECT_EQ(Renders(*view), renders + (c.repaint == Repaint::kNone ? 0 : 1));
    EXPECT_EQ(view->GetLastMouseX(), 100 + c.dx);
    EXPECT_EQ(view->GetLastMouseY(), 100 + c.dy);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, ViewCameraDrag,
    ::testing::Values(
        CameraCase{"OrbitTwoRight", true, false, 2, 0, Repaint::kImage,
                   [](CViewingSpace& c) { c.Orbit(0.0, 2.0); }},
        CameraCase{"OrbitOnePixelTurnsNothingButRedraws", true, false, 1, -1, Repaint::kImage,
                   [](CViewingSpace& c) { c.Orbit(0.0, 0.0); }},
        CameraCase{"OrbitDiagonal", true, false, 5, -5, Repaint::kImage,
                   [](CViewingSpace& c) { c.Orbit(5.0, 5.0); }},
        CameraCase{"ZoomDown", false, true, 0, 1, Repaint::kImage, [](CViewingSpace& c) { c.Zoom(105.0); }},
        CameraCase{"ZoomUp", false, true, 30, -40, Repaint::kImage, [](CViewingSpace& c) { c.Zoom(95.0); }},
        CameraCase{"ZoomHorizontalDoesNothing", false, true, 25, 0, Repaint::kNone, [](CViewingSpace&) {}},
        CameraCase{"PanFixedStep", true, true, 10, 2, Repaint::kImage,
                   [](CViewingSpace& c) { c.Pan(0.05, 0.0); }},
        CameraCase{"PanBelowThresholdRedrawsOnly", true, true, -3, -3, Repaint::kImage,
                   [](CViewingSpace& c) { c.Pan(0.0, 0.0); }},
        CameraCase{"PanBothAxes", true, true, -100, 4, Repaint::kImage,
                   [](CViewingSpace& c) { c.Pan(-0.05, 0.05); }}),
    [](const ::testing::TestParamInfo<CameraCase>& info) { return info.param.name; });

TEST_F(ViewMouse, PressingTheRightButtonDuringAnOrbitSwitchesToPanning) {
    view->OnLButtonDown(0, 0);
    view->OnMouseMove(10, 0);
    view->OnRButtonDown(10, 0);
    CViewingSpace expected = view->GetViewingSpace();
    expected.Pan(0.05, 0.0);
    view->OnMouseMove(20, 0);
    ExpectCameraEq(view->GetViewingSpace(), expected);
    view->OnRButtonUp(20, 0);
    expected.Orbit(0.0, 10.0);
    view->OnMouseMove(30, 0);
    ExpectCameraEq(view->GetViewingSpace(), expected);
}

TEST_F(ViewMouse, EditingModeMovesNoCamera) {
    view->OnEditingMode();
    const CViewingSpace before = view->GetViewingSpace();
    view->OnLButtonDown(0, 0);
    EXPECT_EQ(view->OnMouseMove(40, 40), Repaint::kNone);  // nothing selected
    ExpectCameraEq(view->GetViewingSpace(), before);
    EXPECT_EQ(view->GetLastMouseX(), 40);
}

struct DragCase {
    const char* name;
    bool left;
    bool right;
    int dx;
    int dy;
    CVector3D offset;
};

class ViewVertexDrag : public ViewMouse, public ::testing::WithParamInterface<DragCase> {};

TEST_P(ViewVertexDrag, MovesTheSelectedVertexInTheDocument) {
    const DragCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 3));
    view->OnEditingMode();
    if (c.left) {
        view->OnLButtonDown(200, 200);
    }
    if (c.right) {
        view->OnRButtonDown(200, 200);
    }
    const CVector3D before = doc->m_vertices[3];
    const CViewingSpace camera = view->GetViewingSpace();
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(view->OnMouseMove(200 + c.dx, 200 + c.dy), Repaint::kImage);
    ExpectNear(doc->m_vertices[3] - before, c.offset);
    ExpectCameraEq(view->GetViewingSpace(), camera);
    EXPECT_TRUE(doc->IsModified());
    // The triangles follow the vertex, the box the view frames does not.
    EXPECT_EQ(view->GetFrameRenderer().GetMesh().GetCentroid(1),
              ((doc->m_vertices[0] + doc->m_vertices[2]) + doc->m_vertices[3]) / 3.0);
    EXPECT_EQ(doc->m_maxZ, 2.0);
    // The image shows the moved vertex.
    const CVector3D q = camera.Project(camera.WorldToEye(doc->m_vertices[3]));
    EXPECT_EQ(view->GetFrameRenderer().GetImageX()[3], q.x);
    EXPECT_EQ(view->GetFrameRenderer().GetImageY()[3], q.y);
}

INSTANTIATE_TEST_SUITE_P(DefaultCameraOfExtentFour, ViewVertexDrag,
                         ::testing::Values(DragCase{"LeftRight", true, false, 3, 0, {0.3, 0.0, 0.0}},
                                           DragCase{"LeftDown", true, false, 0, 3, {0.0, -3.0, 0.0}},
                                           DragCase{"RightDown", false, true, 0, 3, {0.0, 0.0, 0.3}},
                                           DragCase{"BothAsLeft", true, true, 3, 3, {0.3, -3.0, 0.0}}),
                         [](const ::testing::TestParamInfo<DragCase>& info) { return info.param.name; });

TEST_F(ViewMouse, EditingWithoutSelectionOrButtonChangesNothing) {
    view->OnEditingMode();
    const std::vector<CVector3D> before = doc->m_vertices;
    view->OnLButtonDown(0, 0);
    std::uint64_t renders = Renders(*view);
    EXPECT_EQ(view->OnMouseMove(10, 10), Repaint::kNone);
    EXPECT_EQ(Renders(*view), renders);
    view->OnLButtonUp(10, 10);
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 1));
    renders = Renders(*view);
    EXPECT_EQ(view->OnMouseMove(30, 30), Repaint::kNone);  // no button held
    EXPECT_EQ(doc->m_vertices, before);
    EXPECT_EQ(Renders(*view), renders);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(ViewMouse, ViewingModeDragMovesTheCameraNotTheSelectedVertex) {
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 3));
    const std::vector<CVector3D> before = doc->m_vertices;
    view->OnLButtonDown(0, 0);
    view->OnMouseMove(10, 10);
    EXPECT_EQ(doc->m_vertices, before);
}

TEST_F(ViewMouse, ADragToNonFiniteCoordinatesIsRefused) {
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 0));
    doc->m_vertices[0] = {1e308, 0.0, 0.0};
    view->OnEditingMode();
    view->OnLButtonDown(0, 0);
    // A left drag to the right moves toward +x: 1e308 + 0.01 * 10 * dx overflows for a huge dx.
    view->ApplyViewingParameters({0, 0, 0}, {0, 0, 1e306}, {0, 1, 0}, 45.0);
    const std::uint64_t renders = Renders(*view);
    EXPECT_EQ(view->OnMouseMove(10000, 0), Repaint::kNone);
    EXPECT_EQ(doc->m_vertices[0], CVector3D(1e308, 0.0, 0.0));
    EXPECT_EQ(Renders(*view), renders);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(ViewMouse, DoubleClickSelectsTheNearestVertexInEitherMode) {
    // Vertex 2 (2, 2, 0) is at the upper right.
    const PixelPoint p = VertexLinePixel(*view, 2);
    EXPECT_EQ(view->OnLButtonDblClk(p.x + 3, p.y - 1), Repaint::kImage);
    EXPECT_EQ(view->GetSelectedVertex(), 2);
    EXPECT_EQ(view->GetImage().Pixel(p.x - 2, p.y - 2), Px(RGB(170, 170, 170)));
    // A second double-click anywhere clears it, a third selects again.
    EXPECT_EQ(view->OnLButtonDblClk(0, 0), Repaint::kImage);
    EXPECT_EQ(view->GetSelectedVertex(), -1);
    EXPECT_NE(view->GetImage().Pixel(p.x - 2, p.y - 2), Px(RGB(170, 170, 170)));
    view->OnEditingMode();
    EXPECT_EQ(view->OnLButtonDblClk(0, 399), Repaint::kImage);
    EXPECT_EQ(view->GetSelectedVertex(), 0);
    // The double-click leaves the buttons and the last position alone.
    EXPECT_FALSE(view->IsLeftButtonDown());
}

TEST_F(ViewMouse, DoubleClickTakesTheImageOffsetIntoAccount) {
    view->OnSize(600, 400);  // image at x = 100
    const PixelPoint p = VertexLinePixel(*view, 1);
    view->OnLButtonDblClk(p.x + 100, p.y);
    EXPECT_EQ(view->GetSelectedVertex(), 1);
}

TEST_F(ViewMouse, DoubleClickProjectsUnderTheCurrentCameraFirst) {
    // The document moves vertex 1 onto vertex 2 and vertex 2 far away behind the view's back: the
    // last projection would still put vertex 2 under the click, the new one puts vertex 1 there.
    const PixelPoint p = VertexLinePixel(*view, 2);
    doc->m_vertices[1] = doc->m_vertices[2];
    doc->m_vertices[2] = {-2.0, -2.0, -50.0};
    view->OnLButtonDblClk(p.x, p.y);
    EXPECT_EQ(view->GetSelectedVertex(), 1);
}

TEST(ViewDoubleClick, EqualDistancesSelectTheLowerIndex) {
    // Vertices 1 and 2 coincide; vertices 0 and 1 lie on a diagonal through the centre.
    auto doc = DocumentFromText("OFF\n4 1 0\n-1 1 0\n1 -1 0\n1 -1 0\n1 1 0\n3 0 1 3\n");
    auto view = MakeView(*doc);
    const PixelPoint p = VertexLinePixel(*view, 1);
    view->OnLButtonDblClk(p.x - 7, p.y + 2);
    EXPECT_EQ(view->GetSelectedVertex(), 1);
    view->OnLButtonDblClk(0, 0);
    ASSERT_EQ(view->GetSelectedVertex(), -1);

    // Every click point at equal distance from vertices 0 and 1, nearer to them than to 3, picks 0.
    std::vector<PixelPoint> pixels;
    for (int i = 0; i < 4; ++i) {
        pixels.push_back(VertexLinePixel(*view, i));
    }
    auto score = [](int x, int y, PixelPoint q) { return (x - q.x) * (x - q.x) + (y - q.y) * (y - q.y); };
    int tried = 0;
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            const int s0 = score(x, y, pixels[0]);
            if (s0 == score(x, y, pixels[1]) && s0 < score(x, y, pixels[3]) && (x + 3 * y) % 37 == 0) {
                view->OnLButtonDblClk(x, y);
                EXPECT_EQ(view->GetSelectedVertex(), 0) << x << ", " << y;
                view->OnLButtonDblClk(0, 0);
                ++tried;
            }
        }
    }
    EXPECT_GE(tried, 2);
}

TEST(ViewDoubleClick, OneVertexIsSelectedFromAnywhereAndNoVertexNever) {
    auto doc = DocumentFromText("OFF\n1 1 0\n0 0 0\n1 0\n");
    auto view = MakeView(*doc);
    view->OnLButtonDblClk(-5000, 9000);
    EXPECT_EQ(view->GetSelectedVertex(), 0);
    CQuorvaneDoc empty;
    auto emptyView = MakeView(empty);
    EXPECT_EQ(emptyView->OnLButtonDblClk(5, 5), Repaint::kImage);
    EXPECT_EQ(emptyView->GetSelectedVertex(), -1);
}

// ---- Screens with several device pixels per logical pixel ----

// A view of `doc` on a screen of `ratio`: its image has 400 logical pixels a side, so
// 400 x ratio device pixels.
std::unique_ptr<CQuorvaneView> MakeScaledView(CQuorvaneDoc& doc, double ratio) {
    auto view = std::make_unique<CQuorvaneView>(&doc);
    view->SetDevicePixelRatio(ratio);
    const int side = static_cast<int>(400 * ratio);
    view->OnSize(side, side);
    view->OnUpdate();
    return view;
}

struct RatioCase {
    const char* name;
    double ratio;
};

void PrintTo(const RatioCase& c, std::ostream* out) {
    *out << c.name;
}

class ViewPixelRatio : public ::testing::TestWithParam<RatioCase> {
  protected:
    void SetUp() override {
        doc = DocumentFromText(kExtentFour);
        view = MakeScaledView(*doc, GetParam().ratio);
    }
    std::unique_ptr<CQuorvaneDoc> doc;
    std::unique_ptr<CQuorvaneView> view;
};

TEST_P(ViewPixelRatio, DragsMoveTheCameraByLogicalPixels) {
    // The same logical drags as on a screen of ratio 1: 20 right and 10 up orbit by 20 and 10
    // degrees, a right drag of 1 up zooms one step, a pan of 4 is past the threshold, of 3 is not.
    CViewingSpace expected = view->GetViewingSpace();
    view->OnLButtonDown(100, 100);
    view->OnMouseMove(120, 90);
    expected.Orbit(10.0, 20.0);
    ExpectCameraEq(view->GetViewingSpace(), expected);
    view->OnLButtonUp(120, 90);

    view->OnRButtonDown(50, 50);
    view->OnMouseMove(50, 49);
    expected.Zoom(95.0);
    ExpectCameraEq(view->GetViewingSpace(), expected);

    view->OnLButtonDown(50, 49);
    view->OnMouseMove(54, 52);
    expected.Pan(0.05, 0.0);
    ExpectCameraEq(view->GetViewingSpace(), expected);
    EXPECT_EQ(view->GetLastMouseX(), 54);
    EXPECT_EQ(view->GetLastMouseY(), 52);
}

TEST_P(ViewPixelRatio, VertexDragsMoveByLogicalPixels) {
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 3));
    view->OnEditingMode();
    const CVector3D before = doc->m_vertices[3];
    view->OnLButtonDown(200, 200);
    view->OnMouseMove(203, 200);
    ExpectNear(doc->m_vertices[3] - before, {0.3, 0.0, 0.0});
}

TEST_P(ViewPixelRatio, MarkerKeepsItsSizeInLogicalPixels) {
    view->OnViewPoints();
    const PixelPoint p = VertexLinePixel(*view, 2);
    // The logical pixel over the vertex's device pixel.
    const double r = GetParam().ratio;
    view->OnLButtonDblClk(static_cast<int>(p.x / r), static_cast<int>(p.y / r));
    ASSERT_EQ(view->GetSelectedVertex(), 2);
    // The box of the marker's pixels, which nothing else in points mode has.
    const CImage& image = view->GetImage();
    int left = image.Size();
    int top = image.Size();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < image.Size(); ++y) {
        for (int x = 0; x < image.Size(); ++x) {
            const std::uint32_t c = image.Pixel(x, y);
            if (c == Px(kMarkerTopLeftColor) || c == Px(kMarkerBottomRightColor)) {
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
        }
    }
    const int side = static_cast<int>(kMarkerSize * r);
    EXPECT_EQ(right - left + 1, side);
    EXPECT_EQ(bottom - top + 1, side);
    EXPECT_EQ(left, p.x - side / 2);
    EXPECT_EQ(top, p.y - side / 2);
    // The picture itself keeps the device resolution.
    EXPECT_EQ(image.Size(), static_cast<int>(400 * r));
}

TEST_P(ViewPixelRatio, DoubleClickPicksAtTheDevicePixelUnderTheLogicalOne) {
    // Nine vertices spread over the image: a click meant for one lands nearest another unless the
    // logical position is turned into the device pixel.
    std::vector<std::array<double, 2>> positions;
    for (double y : {0.2, 0.5, 0.8}) {
        for (double x : {0.2, 0.5, 0.8}) {
            positions.push_back({x, y});
        }
    }
    auto grid = DocumentFromText(PlacedModel(positions, {{0, 1, 2}}));
    const double r = GetParam().ratio;
    auto scaled = MakeScaledView(*grid, r);
    LookAtPlacedModel(*scaled);
    for (int k = 0; k < 9; ++k) {
        if (scaled->GetSelectedVertex() != -1) {
            scaled->OnLButtonDblClk(0, 0);
        }
        const PixelPoint p = VertexLinePixel(*scaled, k);
        scaled->OnLButtonDblClk(static_cast<int>(p.x / r), static_cast<int>(p.y / r));
        EXPECT_EQ(scaled->GetSelectedVertex(), k);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ViewPixelRatio,
                         ::testing::Values(RatioCase{"One", 1.0}, RatioCase{"OneAndAHalf", 1.5},
                                           RatioCase{"Two", 2.0}, RatioCase{"Three", 3.0}),
                         [](const ::testing::TestParamInfo<RatioCase>& info) { return info.param.name; });

TEST(ViewPixelRatioValue, OnlyPositiveFiniteRatiosAreTaken) {
    CQuorvaneDoc doc;
    CQuorvaneView view(&doc);
    EXPECT_EQ(view.GetDevicePixelRatio(), 1.0);
    view.SetDevicePixelRatio(2.5);
    EXPECT_EQ(view.GetDevicePixelRatio(), 2.5);
    EXPECT_EQ(view.GetDrawingSettings().markerScale, 2.5);
    for (double bad : {0.0, -1.0, std::numeric_limits<double>::infinity(), std::nan("")}) {
        view.SetDevicePixelRatio(bad);
        EXPECT_EQ(view.GetDevicePixelRatio(), 1.0) << bad;
    }
}

// ---- The wheel ----

// The distance from the From Point to the At Point.
double EyeDistance(const CQuorvaneView& view) {
    const CViewingSpace& camera = view.GetViewingSpace();
    return (camera.GetFromPoint() - camera.GetAtPoint()).Length();
}

TEST_F(ViewMouse, AWheelNotchIsOneStepOfTheRightDrag) {
    auto dragged = MakeView(*doc);
    const std::uint64_t renders = Renders(*view);
    // Away from the user: closer, as a right drag upward.
    EXPECT_EQ(view->OnMouseWheel(120), Repaint::kImage);
    dragged->OnRButtonDown(100, 100);
    dragged->OnMouseMove(100, 99);
    ExpectCameraEq(view->GetViewingSpace(), dragged->GetViewingSpace());
    EXPECT_EQ(Renders(*view), renders + 1);
    EXPECT_LT(EyeDistance(*view), 10.0);
    // Toward the user: farther, as a right drag downward.
    EXPECT_EQ(view->OnMouseWheel(-120), Repaint::kImage);
    dragged->OnMouseMove(100, 100);
    ExpectCameraEq(view->GetViewingSpace(), dragged->GetViewingSpace());
    EXPECT_EQ(Renders(*view), renders + 2);
}

TEST_F(ViewMouse, PartsOfANotchAddUpToOneStep) {
    CViewingSpace expected = view->GetViewingSpace();
    const std::uint64_t renders = Renders(*view);
    EXPECT_EQ(view->OnMouseWheel(40), Repaint::kNone);
    EXPECT_EQ(view->OnMouseWheel(40), Repaint::kNone);
    ExpectCameraEq(view->GetViewingSpace(), expected);
    EXPECT_EQ(Renders(*view), renders);
    EXPECT_EQ(view->OnMouseWheel(50), Repaint::kImage);  // 130: one notch, 10 carried
    expected.Zoom(95.0);
    ExpectCameraEq(view->GetViewingSpace(), expected);
    EXPECT_EQ(view->OnMouseWheel(110), Repaint::kImage);  // 10 + 110
    expected.Zoom(95.0);
    ExpectCameraEq(view->GetViewingSpace(), expected);
    // Several notches in one turn: as many steps, one drawing.
    EXPECT_EQ(view->OnMouseWheel(-360), Repaint::kImage);
    for (int i = 0; i < 3; ++i) {
        expected.Zoom(105.0);
    }
    ExpectCameraEq(view->GetViewingSpace(), expected);
    EXPECT_EQ(Renders(*view), renders + 3);
}

TEST_F(ViewMouse, WheelStopsAtTheZoomLimitsOfTheDrag) {
    // Far more notches than reach either limit, in one turn: the same camera as dragging step by
    // step until the drag changes it no more; the picture is still drawn.
    for (int direction : {1, -1}) {
        CViewingSpace expected = view->GetViewingSpace();
        for (int i = 0; i < 100000; ++i) {
            expected.Zoom(direction > 0 ? 95.0 : 105.0);
        }
        const std::uint64_t renders = Renders(*view);
        EXPECT_EQ(view->OnMouseWheel(direction > 0 ? 2147483647 : -2147483647 - 1), Repaint::kImage);
        ExpectCameraEq(view->GetViewingSpace(), expected);
        EXPECT_EQ(Renders(*view), renders + 1);
        // At the limit a notch changes nothing, but redraws as the drag does.
        EXPECT_EQ(view->OnMouseWheel(direction * 120), Repaint::kImage);
        ExpectCameraEq(view->GetViewingSpace(), expected);
    }
    EXPECT_GT(EyeDistance(*view), 4999.0);
}

TEST_F(ViewMouse, WheelOfADegenerateCameraEnds) {
    view->ApplyViewingParameters({0, 0, 0}, {0, 0, 0}, {0, 1, 0}, 45.0);
    ASSERT_TRUE(view->IsCameraDegenerate());
    EXPECT_EQ(view->OnMouseWheel(2147483647), Repaint::kImage);
    EXPECT_TRUE(view->IsCameraDegenerate());
}

TEST_F(ViewMouse, WheelZoomsInViewingModeOnlyAndModesDropCarriedParts) {
    const CViewingSpace before = view->GetViewingSpace();
    view->OnMouseWheel(60);
    view->OnEditingMode();
    EXPECT_EQ(view->OnMouseWheel(120), Repaint::kNone);
    ExpectCameraEq(view->GetViewingSpace(), before);
    view->OnViewingMode();
    EXPECT_EQ(view->OnMouseWheel(60), Repaint::kNone);
    ExpectCameraEq(view->GetViewingSpace(), before);
    view->OnUpdate();
    EXPECT_EQ(view->OnMouseWheel(60), Repaint::kNone);
    ExpectCameraEq(view->GetViewingSpace(), before);
}

}  // namespace
}  // namespace quorvane
