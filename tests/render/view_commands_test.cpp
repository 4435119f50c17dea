// The view's state: initial values, the update for a new document, the image size, the drawing-
// and control-mode commands with what each asks the window to repaint, and degenerate cameras.
#include <string>

#include <gtest/gtest.h>

#include "render/view.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using namespace testing_support;

// The number of times the view's image has been drawn.
std::uint64_t Renders(const CQuorvaneView& view) {
    return view.GetFrameRenderer().GetCounts().renders;
}

TEST(ViewState, StartsInWireframeAndViewingModeOnBlack) {
    CQuorvaneDoc doc;
    CQuorvaneView view(&doc);
    EXPECT_EQ(view.GetDocument(), &doc);
    EXPECT_EQ(view.GetBackgroundColor(), RGB(0, 0, 0));
    EXPECT_EQ(view.GetFrameRenderer().GetEdgeCount(), 0);
    EXPECT_TRUE(view.GetFrameRenderer().GetImageX().empty());
    EXPECT_TRUE(view.GetFrameRenderer().GetImageY().empty());
    EXPECT_EQ(view.GetDrawingMode(), DrawingMode::kWireframe);
    EXPECT_TRUE(view.IsViewingMode());
    EXPECT_FALSE(view.IsEditingMode());
    EXPECT_FALSE(view.IsLeftButtonDown());
    EXPECT_FALSE(view.IsRightButtonDown());
    EXPECT_EQ(view.GetSelectedVertex(), -1);
    EXPECT_EQ(view.GetFrameRenderer().GetMesh().m_nTriangles, 0);
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
    EXPECT_EQ(view.GetImageSize(), c.size);
    EXPECT_EQ(view.GetImageLeft(), c.left);
    EXPECT_EQ(view.GetImageTop(), c.top);
    EXPECT_EQ(view.GetImage().Size(), c.size);
    EXPECT_EQ(CountOther(view.GetImage(), Px(view.GetBackgroundColor())), 0);
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
    EXPECT_EQ(view->GetImage().Size(), 60);
    EXPECT_GT(CountOther(view->GetImage(), Px(RGB(0, 0, 0))), 0);
}

TEST(ViewOnUpdate, ResetsModesAndSelectionAndFramesTheModel) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    view->OnViewSolid();
    view->ApplyViewingParameters({0, 0, 0}, {1.5, 2.0, 1.8}, {0, 1, 0}, 45.0);
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 3));
    view->OnEditingMode();
    view->OnLButtonDown(1, 1);
    view->OnRButtonDown(1, 1);
    view->SetBackgroundColor(RGB(9, 9, 9));
    ASSERT_TRUE(view->IsEditingMode() && view->IsLeftButtonDown() && view->IsRightButtonDown());

    EXPECT_EQ(view->OnUpdate(), Repaint::kWindow);
    EXPECT_TRUE(view->IsViewingMode());
    EXPECT_FALSE(view->IsEditingMode());
    EXPECT_FALSE(view->IsLeftButtonDown());
    EXPECT_FALSE(view->IsRightButtonDown());
    EXPECT_EQ(view->GetSelectedVertex(), -1);
    // The drawing mode and background survive.
    EXPECT_EQ(view->GetDrawingMode(), DrawingMode::kSolid);
    EXPECT_EQ(view->GetBackgroundColor(), RGB(9, 9, 9));
    // Cube of side 1 at the origin: eye at (0, 0, 2.5).
    EXPECT_EQ(view->GetViewingSpace().GetFromPoint(), CVector3D(0.0, 0.0, 2.5));
    EXPECT_EQ(view->GetViewingSpace().GetAtPoint(), CVector3D(0.0, 0.0, 0.0));
    EXPECT_EQ(view->GetFrameRenderer().GetEdgeCount(), doc->m_nUniqueEdges);
    EXPECT_EQ(view->GetFrameRenderer().GetImageX().size(), 8u);
    EXPECT_EQ(view->GetFrameRenderer().GetMesh().m_nTriangles, 12);
    EXPECT_EQ(view->GetStatistics().triangles, 12);
    EXPECT_EQ(view->GetStatistics().vertices, 8);
}

struct ModeCommand {
    const char* name;
    Repaint (CQuorvaneView::*command)();
    DrawingMode mode;
};

class ViewDrawingModeCommand : public ::testing::TestWithParam<ModeCommand> {};

TEST_P(ViewDrawingModeCommand, RedrawsOnlyWhenTheModeChanges) {
    const ModeCommand& c = GetParam();
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    // Start from a mode other than the command's.
    if (c.mode == DrawingMode::kWireframe) {
        view->OnViewPoints();
    } else {
        view->OnViewWireframe();
    }
    const CImage before = view->GetImage();
    const std::uint64_t renders = Renders(*view);
    EXPECT_EQ(((*view).*c.command)(), Repaint::kImage);
    EXPECT_EQ(Renders(*view), renders + 1);
    EXPECT_NE(FirstDifference(view->GetImage(), before), -1);
    EXPECT_EQ(view->GetDrawingMode(), c.mode);

    EXPECT_EQ(((*view).*c.command)(), Repaint::kNone);
    EXPECT_EQ(Renders(*view), renders + 1);
    EXPECT_EQ(view->GetDrawingMode(), c.mode);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ViewDrawingModeCommand,
    ::testing::Values(ModeCommand{"Wireframe", &CQuorvaneView::OnViewWireframe, DrawingMode::kWireframe},
                      ModeCommand{"Solid", &CQuorvaneView::OnViewSolid, DrawingMode::kSolid},
                      ModeCommand{"Points", &CQuorvaneView::OnViewPoints, DrawingMode::kPoints}),
    [](const ::testing::TestParamInfo<ModeCommand>& info) { return info.param.name; });

TEST(ViewControlModeCommands, SwitchingClearsTheButtonsAndRedraws) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 2));
    view->OnLButtonDown(5, 5);
    view->OnRButtonDown(5, 5);
    std::uint64_t renders = Renders(*view);
    EXPECT_EQ(view->OnViewingMode(), Repaint::kNone);
    EXPECT_TRUE(view->IsLeftButtonDown());
    EXPECT_EQ(Renders(*view), renders);

    EXPECT_EQ(view->OnEditingMode(), Repaint::kImage);
    EXPECT_TRUE(view->IsEditingMode());
    EXPECT_FALSE(view->IsViewingMode());
    EXPECT_FALSE(view->IsLeftButtonDown());
    EXPECT_FALSE(view->IsRightButtonDown());
    EXPECT_EQ(Renders(*view), renders + 1);
    EXPECT_EQ(view->GetSelectedVertex(), 2);  // the selection stays

    view->OnLButtonDown(5, 5);
    renders = Renders(*view);
    EXPECT_EQ(view->OnEditingMode(), Repaint::kNone);
    EXPECT_TRUE(view->IsLeftButtonDown());
    EXPECT_EQ(Renders(*view), renders);
    EXPECT_EQ(view->OnViewingMode(), Repaint::kImage);
    EXPECT_EQ(Renders(*view), renders + 1);
    EXPECT_TRUE(view->IsViewingMode());
    EXPECT_FALSE(view->IsEditingMode());
    EXPECT_FALSE(view->IsLeftButtonDown());
}

TEST(ViewBackgroundColor, RendersWithoutProjecting) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    view->OnViewPoints();
    const CImage before = view->GetImage();
    const CFrameRenderer::Counts counts = view->GetFrameRenderer().GetCounts();
    EXPECT_EQ(view->SetBackgroundColor(RGB(200, 100, 50)), Repaint::kImage);
    // Drawn once more without projecting: the same points on the new background.
    EXPECT_EQ(view->GetFrameRenderer().GetCounts().transforms, counts.transforms);
    EXPECT_EQ(view->GetFrameRenderer().GetCounts().renders, counts.renders + 1);
    EXPECT_EQ(view->GetBackgroundColor(), RGB(200, 100, 50));
    const int points = CountOther(before, Px(RGB(0, 0, 0)));
    EXPECT_EQ(points, 8);
    EXPECT_EQ(CountOther(view->GetImage(), Px(RGB(200, 100, 50))), points);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            const std::uint32_t was = before.Pixel(x, y);
            ASSERT_EQ(view->GetImage().Pixel(x, y), was == Px(RGB(0, 0, 0)) ? Px(RGB(200, 100, 50)) : was)
                << x << ", " << y;
        }
    }
}

TEST(ViewResetView, RestoresTheFramingCamera) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    const CImage framed = view->GetImage();
    const CVector3D from = view->GetViewingSpace().GetFromPoint();
    view->OnLButtonDown(0, 0);
    view->OnMouseMove(20, 30);
    ASSERT_NE(FirstDifference(framed, view->GetImage()), -1);
    EXPECT_EQ(view->OnResetView(), Repaint::kImage);
    EXPECT_EQ(view->GetViewingSpace().GetFromPoint(), from);
    EXPECT_EQ(FirstDifference(framed, view->GetImage()), -1);
}

TEST(ViewParameters, ApplyTheCameraAndLightingAndRefresh) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    view->OnViewSolid();
    CLightingSettings lighting = view->GetLighting();
    lighting.SetExteriorColor(RGB(0, 255, 0));
    lighting.SetInteriorColor(RGB(0, 255, 0));
    EXPECT_EQ(view->ApplyLighting(lighting), Repaint::kImage);
    EXPECT_EQ(view->GetLighting().GetExteriorColor(), RGB(0, 255, 0));
    // The surface adds to green only; the grey highlight adds equally to red and blue.
    const std::uint32_t centre = view->GetImage().Pixel(200, 200);
    EXPECT_EQ((centre >> 16) & 0xFFu, centre & 0xFFu);
    EXPECT_GT((centre >> 8) & 0xFFu, centre & 0xFFu);

    EXPECT_EQ(view->ApplyViewingParameters({1, 2, 3}, {1, 2, 40}, {0, 1, 0}, 30.0), Repaint::kImage);
    EXPECT_EQ(view->GetViewingSpace().GetAtPoint(), CVector3D(1, 2, 3));
    EXPECT_EQ(view->GetViewingSpace().GetFromPoint(), CVector3D(1, 2, 40));
    EXPECT_EQ(view->GetViewingSpace().GetViewingAngle(), 30.0);
    const CVector3D q =
        view->GetViewingSpace().Project(view->GetViewingSpace().WorldToEye(doc->m_vertices[5]));
    EXPECT_EQ(view->GetFrameRenderer().GetImageX()[5], q.x);
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
        ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 0));
        // From equal to At.
        view->ApplyViewingParameters({1, 1, 1}, {1, 1, 1}, {0, 1, 0}, 45.0);
        EXPECT_TRUE(view->IsCameraDegenerate()) << mode;
        EXPECT_EQ(CountOther(view->GetImage(), Px(RGB(0, 0, 0))), 0) << mode;
        // Up Vector along the line of sight.
        view->ApplyViewingParameters({0, 0, 0}, {0, 0, 30}, {0, 0, 1}, 45.0);
        EXPECT_TRUE(view->IsCameraDegenerate()) << mode;
        EXPECT_EQ(CountOther(view->GetImage(), Px(RGB(0, 0, 0))), 0) << mode;
        view->OnSize(300, 300);
        EXPECT_EQ(CountOther(view->GetImage(), Px(RGB(0, 0, 0))), 0) << mode;

        view->ApplyViewingParameters({0, 0, 0}, {0, 0, 30}, {0, 1, 0}, 45.0);
        EXPECT_FALSE(view->IsCameraDegenerate()) << mode;
        EXPECT_GT(CountOther(view->GetImage(), Px(RGB(0, 0, 0))), 50) << mode;
        if (std::string(mode) == "solid") {
            EXPECT_TRUE(view->GetLighting().m_lightDirection.IsFinite());
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
