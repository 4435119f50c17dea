// Mouse input through the view: button flags and the last position, the camera motions with their
// thresholds and fixed steps, double-click selection and vertex dragging in Editing mode.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quorvane
