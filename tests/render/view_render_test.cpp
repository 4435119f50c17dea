// The picture the view draws: the two pixel rules, the drawing modes, the marker, the colours and
// agreement with a literal single-threaded drawing.
#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/view.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using namespace testing_support;

// A triangle facing +z with its centroid at the origin, and a free vertex that centres the box
// on the origin, so that the default eye looks straight at the centroid from (0, 0, 10).
constexpr const char* kFacingTriangle = "OFF\n4 1 0\n-1 -1 0\n1 -1 0\n0 2 0\n0 -2 0\n3 0 1 2\n";
// The same triangle wound the other way: its back is seen.
constexpr const char* kBackTriangle = "OFF\n4 1 0\n-1 -1 0\n1 -1 0\n0 2 0\n0 -2 0\n3 0 2 1\n";

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(170, 170, 170);
constexpr COLORREF kWhite = RGB(255, 255, 255);

enum class Mode { kWireframe, kSolid, kPoints };

const char* ModeName(Mode mode) {
    switch (mode) {
        case Mode::kWireframe:
            return "Wireframe";
        case Mode::kSolid:
            return "Solid";
        case Mode::kPoints:
            return "Points";
    }
    return "";
}

void SetMode(CQuorvaneView& view, Mode mode) {
    switch (mode) {
        case Mode::kWireframe:
            view.OnViewWireframe();
            break;
        case Mode::kSolid:
            view.OnViewSolid();
            break;
        case Mode::kPoints:
            view.OnViewPoints();
            break;
    }
}

std::string ModeParamName(const ::testing::TestParamInfo<Mode>& info) {
    return ModeName(info.param);
}

const std::array<Mode, 3> kModes{Mode::kWireframe, Mode::kSolid, Mode::kPoints};

// A view of a model whose vertices lie at the given normalised image positions, seen by the placed
// models' camera. Each position is chosen a good way from a pixel boundary; the projection must
// give the pixels the test expects.
struct PlacedView {
    std::unique_ptr<CQuorvaneDoc> doc;
    std::unique_ptr<CQuorvaneView> view;
};

PlacedView PlaceAndRender(const std::vector<std::array<double, 2>>& positions,
                          const std::vector<std::vector<int>>& faces, Mode mode) {
    PlacedView placed;
    placed.doc = DocumentFromText(PlacedModel(positions, faces));
    placed.view = MakeView(*placed.doc);
    SetMode(*placed.view, mode);
    LookAtPlacedModel(*placed.view);
    const CFrameRenderer& frame = placed.view->GetFrameRenderer();
    for (std::size_t i = 0; i < positions.size(); ++i) {
        EXPECT_EQ(static_cast<int>(400 * frame.GetImageX()[i]), static_cast<int>(400 * positions[i][0])) << i;
        EXPECT_EQ(static_cast<int>(400 * frame.GetImageY()[i]), static_cast<int>(400 * positions[i][1])) << i;
        EXPECT_EQ(static_cast<int>(400 - 400 * frame.GetImageY()[i]),
                  static_cast<int>(400 - 400 * positions[i][1]))
            << i;
    }
    return placed;
}

// Columns 200 and 300 (the position a half pixel inside); rows 100.2 up from the bottom.
constexpr double kColumn200 = 0.5;
constexpr double kColumn300 = 300.5 / 400.0;
constexpr double kUp100Point2 = 0.2505;

TEST(ViewPixelRules, LineEndsTruncateBeforeSubtracting) {
    // S = 400, S y = 100.2: row 400 - trunc(100.2) = 300; the line's last pixel (300, 300) is left out.
    const PlacedView placed =
        PlaceAndRender({{kColumn200, kUp100Point2}, {kColumn300, kUp100Point2}}, {{0, 1}}, Mode::kWireframe);
    const CImage& image = placed.view->GetImage();
    for (int x = 200; x < 300; ++x) {
        EXPECT_EQ(image.Pixel(x, 300), Px(kBlue)) << x;
    }
    EXPECT_EQ(image.Pixel(300, 300), Px(RGB(0, 0, 0)));
    EXPECT_EQ(CountOther(image, Px(RGB(0, 0, 0))), 100);
}

TEST(ViewPixelRules, PointsSubtractBeforeTruncating) {
    // Row trunc(400 - 100.2) = trunc(299.8) = 299.
    const PlacedView placed =
        PlaceAndRender({{kColumn200, kUp100Point2}, {kColumn300, 0.5}}, {{0, 1}}, Mode::kPoints);
    const CImage& image = placed.view->GetImage();
    EXPECT_EQ(image.Pixel(200, 299), Px(kBlue));
    EXPECT_EQ(image.Pixel(300, 200), Px(kBlue));
    EXPECT_EQ(CountOther(image, Px(RGB(0, 0, 0))), 2);
}

// The triangle of kFacingTriangle placed with corners (200, 299), (300, 299) and (200, 200), and its
// free vertex above.
const std::vector<std::array<double, 2>> kPlacedTriangle = {
    {kColumn200, kUp100Point2}, {kColumn300, kUp100Point2}, {kColumn200, 0.5}, {kColumn200, 360.5 / 400.0}};

TEST(ViewPixelRules, TriangleCornersSubtractBeforeTruncating) {
    // Nothing of the triangle reaches row 300.
    const PlacedView placed = PlaceAndRender(kPlacedTriangle, {{0, 1, 2}}, Mode::kSolid);
    const CImage& image = placed.view->GetImage();
    const std::uint32_t colour = image.Pixel(250, 290);
    EXPECT_NE(colour, Px(RGB(0, 0, 0)));
    EXPECT_EQ(image.Pixel(200, 299), colour);
    EXPECT_EQ(image.Pixel(300, 299), colour);
    EXPECT_EQ(image.Pixel(200, 200), colour);
    for (int x = 0; x < 400; ++x) {
        EXPECT_EQ(image.Pixel(x, 300), Px(RGB(0, 0, 0))) << x;
    }
}

class ViewMarker : public ::testing::TestWithParam<Mode> {};

// The frame around (200, 300): grey top and left, white bottom and right, the inside as drawn.
TEST_P(ViewMarker, FramesTheLineEndPixelAfterTheModel) {
    const PlacedView placed = PlaceAndRender(kPlacedTriangle, {{0, 1, 2}}, GetParam());
    CQuorvaneView* view = placed.view.get();
    const CImage unmarked = view->GetImage();
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 0));
    const CImage& image = view->GetImage();
    const int mx = 198;
    const int my = 298;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(image.Pixel(mx + k, my), Px(kGrey)) << k;
        EXPECT_EQ(image.Pixel(mx, my + k), Px(kGrey)) << k;
    }
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(image.Pixel(mx + 3, my + k), Px(kWhite)) << k;
        EXPECT_EQ(image.Pixel(mx + k, my + 3), Px(kWhite)) << k;
    }
    // Every other pixel, the vertex's own (200, 300) among them, is what the model drew.
    int changed = 0;
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            const bool onFrame = ((x == mx || x == mx + 3) && y >= my && y <= my + 3) ||
                                 ((y == my || y == my + 3) && x >= mx && x <= mx + 3);
            if (!onFrame && image.Pixel(x, y) != unmarked.Pixel(x, y)) {
                ++changed;
            }
        }
    }
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(image.Pixel(200, 300), unmarked.Pixel(200, 300));
}

INSTANTIATE_TEST_SUITE_P(EveryMode, ViewMarker, ::testing::ValuesIn(kModes), ModeParamName);

class ViewEmptyDocument : public ::testing::TestWithParam<Mode> {};

TEST_P(ViewEmptyDocument, DrawsOnlyTheBackground) {
    CQuorvaneDoc doc;
    auto view = MakeView(doc);
    view->SetBackgroundColor(RGB(10, 20, 30));
    SetMode(*view, GetParam());
    view->OnResetView();
    EXPECT_EQ(CountOther(view->GetImage(), Px(RGB(10, 20, 30))), 0);
}

TEST_P(ViewEmptyDocument, NewAfterAModelEmptiesTheArraysAndTheMesh) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    SetMode(*view, GetParam());
    view->SetBackgroundColor(RGB(1, 2, 3));
    EXPECT_GT(CountOther(view->GetImage(), Px(RGB(1, 2, 3))), 0);
    doc->OnNewDocument();
    view->OnUpdate();
    EXPECT_TRUE(view->GetFrameRenderer().GetImageX().empty());
    EXPECT_TRUE(view->GetFrameRenderer().GetImageY().empty());
    EXPECT_EQ(view->GetFrameRenderer().GetMesh().m_nTriangles, 0);
    EXPECT_EQ(view->GetFrameRenderer().GetEdgeCount(), 0);
    EXPECT_EQ(CountOther(view->GetImage(), Px(RGB(1, 2, 3))), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryMode, ViewEmptyDocument, ::testing::ValuesIn(kModes), ModeParamName);

TEST(ViewSolidColours, FaceTowardTheEyeHasTheLitExteriorColour) {
    // Ambient 0.3 blue, highlight 0.49 on every channel, diffuse 0.6 blue: (0.49, 0.49, 1.39 -> 1).
    auto doc = DocumentFromText(kFacingTriangle);
    auto view = MakeView(*doc);
    view->OnViewSolid();
    EXPECT_EQ(view->GetImage().Pixel(200, 200), Px(RGB(124, 124, 255)));
}

TEST(ViewSolidColours, BackFaceIsDrawnInTheInteriorColour) {
    auto doc = DocumentFromText(kBackTriangle);
    auto view = MakeView(*doc);
    view->OnViewSolid();
    EXPECT_EQ(view->GetImage().Pixel(200, 200), Px(RGB(255, 124, 124)));
}

TEST(ViewSolidColours, LightFollowsTheCameraEveryFrame) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    view->OnViewSolid();
    view->OnLButtonDown(100, 100);
    view->OnMouseMove(130, 80);
    const CVector3D expected = view->GetViewingSpace().EyeToWorld(view->GetLighting().GetLightPosition());
    const CVector3D unit = expected / expected.Length();
    EXPECT_EQ(view->GetLighting().m_lightDirection, unit);
}

TEST(ViewTransform, ProjectsEveryVertexThroughTheCamera) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    // An orbit of 20 degrees up and 35 to the left.
    view->OnLButtonDown(0, 0);
    view->OnMouseMove(-35, -20);
    const CViewingSpace& camera = view->GetViewingSpace();
    const CFrameRenderer& frame = view->GetFrameRenderer();
    ASSERT_EQ(frame.GetImageX().size(), static_cast<std::size_t>(doc->m_nVertices));
    for (int i = 0; i < doc->m_nVertices; ++i) {
        const CVector3D q = camera.Project(camera.WorldToEye(doc->m_vertices[i]));
        ASSERT_EQ(frame.GetImageX()[i], q.x) << i;
        ASSERT_EQ(frame.GetImageY()[i], q.y) << i;
    }
}

TEST(ViewTransform, SwitchingToSolidSortsBeforeTheFirstSolidDrawing) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    // An orbit in wireframe mode, which does not sort.
    view->OnLButtonDown(0, 0);
    view->OnMouseMove(50, -10);
    view->OnViewSolid();
    const CTessellatedMesh& mesh = view->GetFrameRenderer().GetMesh();
    const CVector3D eye = view->GetViewingSpace().GetFromPoint();
    for (int i = 0; i < mesh.m_nTriangles; ++i) {
        const int k = mesh.GetOrder()[static_cast<std::size_t>(i)];
        ASSERT_EQ(mesh.GetDistance(k), (eye - mesh.GetCentroid(k)).Length()) << i;
        if (i > 0) {
            ASSERT_GE(mesh.GetDistance(mesh.GetOrder()[static_cast<std::size_t>(i - 1)]), mesh.GetDistance(k))
                << i;
        }
    }
}

TEST(ViewTransform, ResizingDrawsFromTheStoredCoordinates) {
    const PlacedView placed =
        PlaceAndRender({{100.5 / 400, 100.5 / 400}, {300.5 / 400, 300.5 / 400}}, {{0, 1}}, Mode::kPoints);
    CQuorvaneView& view = *placed.view;
    const CFrameRenderer::Counts before = view.GetFrameRenderer().GetCounts();
    EXPECT_EQ(view.OnSize(300, 200), Repaint::kWindow);
    // Drawn once more, without projecting: S = 200 puts the points at (50, 149) and (150, 49).
    EXPECT_EQ(view.GetFrameRenderer().GetCounts().transforms, before.transforms);
    EXPECT_EQ(view.GetFrameRenderer().GetCounts().renders, before.renders + 1);
    EXPECT_EQ(view.GetImage().Pixel(50, 149), Px(kBlue));
    EXPECT_EQ(view.GetImage().Pixel(150, 49), Px(kBlue));
    EXPECT_EQ(CountOther(view.GetImage(), Px(RGB(0, 0, 0))), 2);
}

struct ReferenceCase {
    const char* file;
    Mode mode;
    bool orbit;
};

class ViewMatchesLiteralDrawing : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(ViewMatchesLiteralDrawing, PixelForPixel) {
    const ReferenceCase& c = GetParam();
    auto doc = DocumentFromFile(c.file);
    ASSERT_GT(doc->m_nVertices, 7);
    auto view = MakeView(*doc, 301);
    SetMode(*view, c.mode);
    if (c.orbit) {
        view->OnLButtonDown(10, 10);
        view->OnMouseMove(47, -13);
    }
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 7));
    const CImage expected = ReferenceRender(*view);
    EXPECT_EQ(FirstDifference(view->GetImage(), expected), -1);
    EXPECT_GT(CountOther(view->GetImage(), Px(RGB(0, 0, 0))), 100);
}

INSTANTIATE_TEST_SUITE_P(Models, ViewMatchesLiteralDrawing,
                         ::testing::Values(ReferenceCase{"teapot.off", Mode::kWireframe, false},
                                           ReferenceCase{"teapot.off", Mode::kSolid, false},
                                           ReferenceCase{"teapot.off", Mode::kPoints, false},
                                           ReferenceCase{"teapot.off", Mode::kWireframe, true},
                                           ReferenceCase{"teapot.off", Mode::kSolid, true},
                                           ReferenceCase{"teapot.off", Mode::kPoints, true},
                                           ReferenceCase{"double_torus.off", Mode::kSolid, true},
                                           ReferenceCase{"torus_quads.off", Mode::kSolid, true},
                                           ReferenceCase{"torus_quads.off", Mode::kWireframe, true},
                                           ReferenceCase{"wuson.off", Mode::kSolid, false}),
                         [](const ::testing::TestParamInfo<ReferenceCase>& info) {
                             std::string name = info.param.file;
                             name = name.substr(0, name.find('.'));
                             std::erase(name, '_');
                             return name + ModeName(info.param.mode) +
                                    (info.param.orbit ? "Orbited" : "Default");
                         });

TEST(ViewMatchesLiteralDrawing, TinyTrianglesAtSmallSizes) {
    // Most triangles shrink to a few pixels: the drawing must still be the literal one.
    for (const char* file : {"mannequin_devil.off", "wuson.off", "teapot.off", "double_torus.off"}) {
        auto doc = DocumentFromFile(file);
        for (int size : {1, 2, 5, 20, 48, 97}) {
            auto view = MakeView(*doc, size);
            view->OnViewSolid();
            view->OnLButtonDown(0, 0);
            view->OnMouseMove(13, 7);
            EXPECT_EQ(FirstDifference(view->GetImage(), ReferenceRender(*view)), -1)
                << file << " at " << size;
        }
    }
}

// OFF text of `count` separate triangles a few hundredths wide scattered through the unit cube.
std::string ScatteredSmallTriangles(int count, double width) {
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<double> unit(-0.5, 0.5);
    std::string text = "OFF\n" + std::to_string(3 * count) + " " + std::to_string(count) + " 0\n";
    for (int t = 0; t < count; ++t) {
        const double x = unit(random);
        const double y = unit(random);
        const double z = unit(random);
        for (int k = 0; k < 3; ++k) {
            text += std::to_string(x + width * unit(random)) + " " +
                    std::to_string(y + width * unit(random)) + " " +
                    std::to_string(z + width * unit(random)) + "\n";
        }
    }
    for (int t = 0; t < count; ++t) {
        text += "3 " + std::to_string(3 * t) + " " + std::to_string(3 * t + 1) + " " +
                std::to_string(3 * t + 2) + "\n";
    }
    return text;
}

TEST(ViewMatchesLiteralDrawing, ScatteredSmallTrianglesEverywhereInTheImage) {
    // Triangles of one to a few pixels at every position and orientation, some across the image's
    // edges once the camera comes closer.
    for (double width : {0.02, 0.06, 0.15}) {
        auto doc = DocumentFromText(ScatteredSmallTriangles(3000, width));
        for (int size : {64, 150}) {
            auto view = MakeView(*doc, size);
            view->SetRenderThreads(size == 64 ? 1 : 3);
            view->OnViewSolid();
            EXPECT_EQ(FirstDifference(view->GetImage(), ReferenceRender(*view)), -1)
                << width << " at " << size;
            view->OnRButtonDown(0, 0);
            for (int step = 0; step < 12; ++step) {
                view->OnMouseMove(0, -1 - step);
            }
            EXPECT_EQ(FirstDifference(view->GetImage(), ReferenceRender(*view)), -1)
                << width << " at " << size;
        }
    }
}

TEST(ViewMatchesLiteralDrawing, AfterDraggingAVertexInSolidMode) {
    auto doc = DocumentFromFile("double_torus.off");
    auto view = MakeView(*doc, 200);
    view->OnViewSolid();
    ASSERT_NO_FATAL_FAILURE(SelectVertex(*view, 17));
    view->OnEditingMode();
    view->OnRButtonDown(0, 0);
    view->OnMouseMove(0, -40);
    view->OnRButtonUp(0, -40);
    view->OnLButtonDown(0, 0);
    view->OnMouseMove(25, 9);
    EXPECT_EQ(FirstDifference(view->GetImage(), ReferenceRender(*view)), -1);
}

}  // namespace
}  // namespace quorvane
