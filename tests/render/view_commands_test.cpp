// The view's state: initial values, the update for a new document, the image size, the drawing-
// and control-mode commands with what each asks the window to repaint, and degenerate cameras.
#include <string>

#include <gtest/gtest.h>

#include "render/view.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using namespace testing_support;

constexpr std::uint32_t kSentinel = 0xFF123456u;

TEST(ViewState, StartsInWireframeAndViewingModeOnBlack) {
    CQuorvaneDoc doc;
    CQuorvaneView view(&doc);
    EXPECT_EQ(view.GetDocument(), &doc);
    EXPECT_EQ(view.m_backgroundColor, RGB(0, 0, 0));
    EXPECT_EQ(view.m_edgeEndpointCount, 0);
    EXPECT_TRUE(view.m_imageX.empty());
    EXPECT_TRUE(view.m_imageY.empty());
    EXPECT_TRUE(view.m_bWireframe);
    EXPECT_FALSE(view.m_bSolid);
    EXPECT_FALSE(view.m_bPoints);
    EXPECT_TRUE(view.m_bViewingMode);
    EXPECT_FALSE(view.m_bEditingMode);
    EXPECT_FALSE(view.m_bLeftButtonDown);
    EXPECT_FALSE(view.m_bRightButtonDown);
    EXPECT_EQ(view.m_selectedVertex, -1);
    EXPECT_EQ(view.m_triangles.m_nTriangles, 0);
    EXPECT_FALSE(view.IsCameraDegenerate());
}

struct SizeCase {
    int width;
    int height;
    int size;
    int left;
    int top;
};

class ViewOnSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ViewOnSize, KeepsTheImageSquareAndCentred) {
    const SizeCase& c = GetParam();
    CQuorvaneDoc doc;
    CQuorvaneView view(&doc);
    EXPECT_EQ(view.OnSize(c.width, c.height), Repaint::kWindow);
    EXPECT_EQ(view.m_imageSize, c.size);
    EXPECT_EQ(view.m_imageLeft, c.left);
    EXPECT_EQ(view.m_imageTop, c.top);
    EXPECT_EQ(view.m_image.Size(), c.size);
    EXPECT_EQ(CountOther(view.m_image, Px(view.m_backgroundColor)), 0);
}

INSTANTIATE_TEST_SUITE_P(ClientAreas, ViewOnSize,
                         ::testing::Values(SizeCase{640, 480, 480, 80, 0}, SizeCase{300, 500, 300, 0, 100},
                                           SizeCase{400, 400, 400, 0, 0},
                                           // Each half is taken before subtracting: 250 - 150.
                                           SizeCase{500, 301, 301, 100, 0}, SizeCase{301, 500, 301, 0, 100},
                                           SizeCase{0, 0, 0, 0, 0}, SizeCase{7, 0, 0, 3, 0}),
                         [](const ::testing::TestParamInfo<SizeCase>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

TEST(ViewOnSize, ANewSizeRedrawsTheModel) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    view->OnSize(100, 60);
    EXPECT_EQ(view->m_image.Size(), 60);
    EXPECT_GT(CountOther(view->m_image, Px(RGB(0, 0, 0))), 0);
}

TEST(ViewOnUpdate, ResetsModesAndSelectionAndFramesTheModel) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    view->OnViewSolid();
    view->OnEditingMode();
    view->OnLButtonDown(1, 1);
    view->OnRButtonDown(1, 1);
    view->m_selectedVertex = 3;
    view->m_viewingSpace.Orbit(30.0, 30.0);
    view->SetBackgroundColor(RGB(9, 9, 9));

    EXPECT_EQ(view->OnUpdate(), Repaint::kWindow);
    EXPECT_TRUE(view->m_bViewingMode);
    EXPECT_FALSE(view->m_bEditingMode);
    EXPECT_FALSE(view->m_bLeftButtonDown);
    EXPECT_FALSE(view->m_bRightButtonDown);
    EXPECT_EQ(view->m_selectedVertex, -1);
    // The drawing mode and background survive.
    EXPECT_TRUE(view->m_bSolid);
    EXPECT_EQ(view->m_backgroundColor, RGB(9, 9, 9));
    // Cube of side 1 at the origin: eye at (0, 0, 2.5).
    EXPECT_EQ(view->m_viewingSpace.GetFromPoint(), CVector3D(0.0, 0.0, 2.5));
    EXPECT_EQ(view->m_viewingSpace.GetAtPoint(), CVector3D(0.0, 0.0, 0.0));
    EXPECT_EQ(view->m_edgeEndpointCount, 2 * doc->m_nUniqueEdges);
    EXPECT_EQ(view->m_imageX.size(), 8u);
    EXPECT_EQ(view->m_triangles.m_nTriangles, 12);
    EXPECT_EQ(view->GetStatistics().triangles, 12);
    EXPECT_EQ(view->GetStatistics().vertices, 8);
}

struct ModeCommand {
    const char* name;
    Repaint (CQuorvaneView::*command)();
    bool CQuorvaneView::*flag;
};

class ViewDrawingModeCommand : public ::testing::TestWithParam<ModeCommand> {};

TEST_P(ViewDrawingModeCommand, RedrawsOnlyWhenTheModeChanges) {
    const ModeCommand& c = GetParam();
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    // Start from a mode other than the command's.
    if (c.flag == &CQuorvaneView::m_bWireframe) {
        view->OnViewPoints();
    } else {
        view->OnViewWireframe();
    }
    view->m_image.Pixel(0, 0) = kSentinel;
    EXPECT_EQ(((*view).*c.command)(), Repaint::kImage);
    EXPECT_NE(view->m_image.Pixel(0, 0), kSentinel);
    EXPECT_TRUE((*view).*c.flag);
    EXPECT_EQ(int{view->m_bWireframe} + int{view->m_bSolid} + int{view->m_bPoints}, 1);

    view->m_image.Pixel(0, 0) = kSentinel;
    EXPECT_EQ(((*view).*c.command)(), Repaint::kNone);
    EXPECT_EQ(view->m_image.Pixel(0, 0), kSentinel);
    EXPECT_TRUE((*view).*c.flag);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ViewDrawingModeCommand,
    ::testing::Values(ModeCommand{"Wireframe", &CQuorvaneView::OnViewWireframe, &CQuorvaneView::m_bWireframe},
                      ModeCommand{"Solid", &CQuorvaneView::OnViewSolid, &CQuorvaneView::m_bSolid},
                      ModeCommand{"Points", &CQuorvaneView::OnViewPoints, &CQuorvaneView::m_bPoints}),
    [](const ::testing::TestParamInfo<ModeCommand>& info) { return info.param.name; });

TEST(ViewControlModeCommands, SwitchingClearsTheButtonsAndRedraws) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    view->m_selectedVertex = 2;
    view->OnLButtonDown(5, 5);
    view->OnRButtonDown(5, 5);
    view->m_image.Pixel(0, 0) = kSentinel;
    EXPECT_EQ(view->OnViewingMode(), Repaint::kNone);
    EXPECT_TRUE(view->m_bLeftButtonDown);
    EXPECT_EQ(view->m_image.Pixel(0, 0), kSentinel);

    EXPECT_EQ(view->OnEditingMode(), Repaint::kImage);
    EXPECT_TRUE(view->m_bEditingMode);
    EXPECT_FALSE(view->m_bViewingMode);
    EXPECT_FALSE(view->m_bLeftButtonDown);
    EXPECT_FALSE(view->m_bRightButtonDown);
    EXPECT_NE(view->m_image.Pixel(0, 0), kSentinel);
    EXPECT_EQ(view->m_selectedVertex, 2);  // the selection stays

    view->OnLButtonDown(5, 5);
    view->m_image.Pixel(0, 0) = kSentinel;
    EXPECT_EQ(view->OnEditingMode(), Repaint::kNone);
    EXPECT_TRUE(view->m_bLeftButtonDown);
    EXPECT_EQ(view->m_image.Pixel(0, 0), kSentinel);
    EXPECT_EQ(view->OnViewingMode(), Repaint::kImage);
    EXPECT_TRUE(view->m_bViewingMode);
    EXPECT_FALSE(view->m_bEditingMode);
    EXPECT_FALSE(view->m_bLeftButtonDown);
}

TEST(ViewBackgroundColor, RendersWithoutProjecting) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    view->OnViewPoints();
    // Coordinates set by hand survive: nothing projects them again.
    view->m_imageX.assign(8, 0.5);
    view->m_imageY.assign(8, 0.5);
    EXPECT_EQ(view->SetBackgroundColor(RGB(200, 100, 50)), Repaint::kImage);
    EXPECT_EQ(view->m_imageX[0], 0.5);
    EXPECT_EQ(view->m_image.Pixel(200, 200), Px(RGB(0, 0, 255)));
    EXPECT_EQ(CountOther(view->m_image, Px(RGB(200, 100, 50))), 1);
}

TEST(ViewResetView, RestoresTheFramingCamera) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    const CImage framed = view->m_image;
    const CVector3D from = view->m_viewingSpace.GetFromPoint();
    view->OnLButtonDown(0, 0);
    view->OnMouseMove(20, 30);
    ASSERT_NE(FirstDifference(framed, view->m_image), -1);
    EXPECT_EQ(view->OnResetView(), Repaint::kImage);
    EXPECT_EQ(view->m_viewingSpace.GetFromPoint(), from);
    EXPECT_EQ(FirstDifference(framed, view->m_image), -1);
}

TEST(ViewParameters, ApplyTheCameraAndLightingAndRefresh) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    view->OnViewSolid();
    CLightingSettings lighting = view->m_lighting;
    lighting.SetExteriorColor(RGB(0, 255, 0));
    lighting.SetInteriorColor(RGB(0, 255, 0));
    EXPECT_EQ(view->ApplyLighting(lighting), Repaint::kImage);
    EXPECT_EQ(view->m_lighting.GetExteriorColor(), RGB(0, 255, 0));
    // The surface adds to green only; the grey highlight adds equally to red and blue.
    const std::uint32_t centre = view->m_image.Pixel(200, 200);
    EXPECT_EQ((centre >> 16) & 0xFFu, centre & 0xFFu);
    EXPECT_GT((centre >> 8) & 0xFFu, centre & 0xFFu);

    EXPECT_EQ(view->ApplyViewingParameters({1, 2, 3}, {1, 2, 40}, {0, 1, 0}, 30.0), Repaint::kImage);
    EXPECT_EQ(view->m_viewingSpace.GetAtPoint(), CVector3D(1, 2, 3));
    EXPECT_EQ(view->m_viewingSpace.GetFromPoint(), CVector3D(1, 2, 40));
    EXPECT_EQ(view->m_viewingSpace.GetViewingAngle(), 30.0);
    const CVector3D q = view->m_viewingSpace.Project(view->m_viewingSpace.WorldToEye(doc->m_vertices[5]));
    EXPECT_EQ(view->m_imageX[5], q.x);
}

TEST(ViewDegenerateCamera, DrawsTheBackgroundOnlyUntilTheCameraIsUsableAgain) {
    auto doc = DocumentFromFile("teapot.off");
    for (const char* mode : {"wireframe", "solid", "points"}) {
        auto view = MakeView(*doc);
        if (std::string(mode) == "solid") {
            view->OnViewSolid();
        } else if (std::string(mode) == "points") {
            view->OnViewPoints();
        }
        view->m_selectedVertex = 0;
        // From equal to At.
        view->ApplyViewingParameters({1, 1, 1}, {1, 1, 1}, {0, 1, 0}, 45.0);
        EXPECT_TRUE(view->IsCameraDegenerate()) << mode;
        EXPECT_EQ(CountOther(view->m_image, Px(RGB(0, 0, 0))), 0) << mode;
        // Up Vector along the line of sight.
        view->ApplyViewingParameters({0, 0, 0}, {0, 0, 30}, {0, 0, 1}, 45.0);
        EXPECT_TRUE(view->IsCameraDegenerate()) << mode;
        EXPECT_EQ(CountOther(view->m_image, Px(RGB(0, 0, 0))), 0) << mode;
        view->OnSize(300, 300);
        EXPECT_EQ(CountOther(view->m_image, Px(RGB(0, 0, 0))), 0) << mode;

        view->ApplyViewingParameters({0, 0, 0}, {0, 0, 30}, {0, 1, 0}, 45.0);
        EXPECT_FALSE(view->IsCameraDegenerate()) << mode;
        EXPECT_GT(CountOther(view->m_image, Px(RGB(0, 0, 0))), 50) << mode;
        if (std::string(mode) == "solid") {
            EXPECT_TRUE(view->m_lighting.m_lightDirection.IsFinite());
        }
    }
}

TEST(ViewRenderThreads, CountCanBeChanged) {
    CQuorvaneDoc doc;
    CQuorvaneView view(&doc);
    EXPECT_GE(view.GetRenderThreads(), 1);
    view.SetRenderThreads(3);
    EXPECT_EQ(view.GetRenderThreads(), 3);
    view.SetRenderThreads(0);
    EXPECT_EQ(view.GetRenderThreads(), 1);
}

}  // namespace
}  // namespace quorvane
