// The picture the view draws: the two pixel rules, the drawing modes, the marker, the colours and
// agreement with a literal single-threaded drawing.
#include <array>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/view.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using namespace testing_support;

// Two vertices joined by one edge and no triangle.
constexpr const char* kSegment = "OFF\n2 1 0\n-1 0 0\n1 0 0\n2 0 1\n";
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

// Places the vertices at the given normalised positions and draws without projecting again.
void PlaceAndRender(CQuorvaneView& view, const std::vector<double>& x, const std::vector<double>& y) {
    view.m_imageX = x;
    view.m_imageY = y;
    view.RenderModel();
}

TEST(ViewPixelRules, LineEndsTruncateBeforeSubtracting) {
    // S = 400, y = 0.2505: row 400 - trunc(100.2) = 300; the line's last pixel (300, 300) is left out.
    auto doc = DocumentFromText(kSegment);
    auto view = MakeView(*doc);
    PlaceAndRender(*view, {0.5, 0.75}, {0.2505, 0.2505});
    const CImage& image = view->m_image;
    for (int x = 200; x < 300; ++x) {
        EXPECT_EQ(image.Pixel(x, 300), Px(kBlue)) << x;
    }
    EXPECT_EQ(image.Pixel(300, 300), Px(RGB(0, 0, 0)));
    EXPECT_EQ(CountOther(image, Px(RGB(0, 0, 0))), 100);
}

TEST(ViewPixelRules, PointsSubtractBeforeTruncating) {
    // Row trunc(400 - 100.2) = trunc(299.8) = 299.
    auto doc = DocumentFromText(kSegment);
    auto view = MakeView(*doc);
    view->OnViewPoints();
    PlaceAndRender(*view, {0.5, 0.75}, {0.2505, 0.5});
    EXPECT_EQ(view->m_image.Pixel(200, 299), Px(kBlue));
    EXPECT_EQ(view->m_image.Pixel(300, 200), Px(kBlue));
    EXPECT_EQ(CountOther(view->m_image, Px(RGB(0, 0, 0))), 2);
}

TEST(ViewPixelRules, TriangleCornersSubtractBeforeTruncating) {
    auto doc = DocumentFromText(kFacingTriangle);
    auto view = MakeView(*doc);
    view->OnViewSolid();
    // Corners (200, 299), (300, 299) and (200, 200): nothing of the triangle reaches row 300.
    PlaceAndRender(*view, {0.5, 0.75, 0.5, 0.5}, {0.2505, 0.2505, 0.5, 0.9});
    const CImage& image = view->m_image;
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
    auto doc = DocumentFromText(kFacingTriangle);
    auto view = MakeView(*doc);
    SetMode(*view, GetParam());
    PlaceAndRender(*view, {0.5, 0.75, 0.5, 0.5}, {0.2505, 0.2505, 0.5, 0.9});
    const CImage unmarked = view->m_image;
    view->m_selectedVertex = 0;
    view->RenderModel();
    const CImage& image = view->m_image;
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
    EXPECT_EQ(CountOther(view->m_image, Px(RGB(10, 20, 30))), 0);
}

TEST_P(ViewEmptyDocument, NewAfterAModelEmptiesTheArraysAndTheMesh) {
    auto doc = DocumentFromFile("cube.off");
    auto view = MakeView(*doc);
    SetMode(*view, GetParam());
    view->SetBackgroundColor(RGB(1, 2, 3));
    EXPECT_GT(CountOther(view->m_image, Px(RGB(1, 2, 3))), 0);
    doc->OnNewDocument();
    view->OnUpdate();
    EXPECT_TRUE(view->m_imageX.empty());
    EXPECT_TRUE(view->m_imageY.empty());
    EXPECT_EQ(view->m_triangles.m_nTriangles, 0);
    EXPECT_EQ(view->m_edgeEndpointCount, 0);
    EXPECT_EQ(CountOther(view->m_image, Px(RGB(1, 2, 3))), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryMode, ViewEmptyDocument, ::testing::ValuesIn(kModes), ModeParamName);

TEST(ViewSolidColours, FaceTowardTheEyeHasTheLitExteriorColour) {
    // Ambient 0.3 blue, highlight 0.49 on every channel, diffuse 0.6 blue: (0.49, 0.49, 1.39 -> 1).
    auto doc = DocumentFromText(kFacingTriangle);
    auto view = MakeView(*doc);
    view->OnViewSolid();
    EXPECT_EQ(view->m_image.Pixel(200, 200), Px(RGB(124, 124, 255)));
}

TEST(ViewSolidColours, BackFaceIsDrawnInTheInteriorColour) {
    auto doc = DocumentFromText(kBackTriangle);
    auto view = MakeView(*doc);
    view->OnViewSolid();
    EXPECT_EQ(view->m_image.Pixel(200, 200), Px(RGB(255, 124, 124)));
}

TEST(ViewSolidColours, LightFollowsTheCameraEveryFrame) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    view->OnViewSolid();
    view->OnLButtonDown(100, 100);
    view->OnMouseMove(130, 80);
    const CVector3D expected = view->m_viewingSpace.EyeToWorld(view->m_lighting.GetLightPosition());
    const CVector3D unit = expected / expected.Length();
    EXPECT_EQ(view->m_lighting.m_lightDirection, unit);
}

TEST(ViewTransform, ProjectsEveryVertexThroughTheCamera) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    view->m_viewingSpace.Orbit(20.0, -35.0);
    view->TransformModel();
    ASSERT_EQ(view->m_imageX.size(), static_cast<std::size_t>(doc->m_nVertices));
    for (int i = 0; i < doc->m_nVertices; ++i) {
        const CVector3D q = view->m_viewingSpace.Project(view->m_viewingSpace.WorldToEye(doc->m_vertices[i]));
        ASSERT_EQ(view->m_imageX[i], q.x) << i;
        ASSERT_EQ(view->m_imageY[i], q.y) << i;
    }
}

TEST(ViewTransform, SwitchingToSolidSortsBeforeTheFirstSolidDrawing) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc);
    view->m_viewingSpace.Orbit(10.0, 50.0);
    view->OnViewSolid();
    const CTessellatedMesh& mesh = view->m_triangles;
    const CVector3D eye = view->m_viewingSpace.GetFromPoint();
    for (int i = 0; i < mesh.m_nTriangles; ++i) {
        const CTriangle& t = mesh.GetDrawnTriangle(i);
        ASSERT_EQ(t.m_dDistance, (eye - t.m_centroid).Length()) << i;
        if (i > 0) {
            ASSERT_GE(mesh.GetDrawnTriangle(i - 1).m_dDistance, t.m_dDistance) << i;
        }
    }
}

TEST(ViewTransform, ResizingDrawsFromTheStoredCoordinates) {
    auto doc = DocumentFromText(kSegment);
    auto view = MakeView(*doc);
    view->OnViewPoints();
    view->m_imageX = {0.25, 0.75};
    view->m_imageY = {0.25, 0.75};
    EXPECT_EQ(view->OnSize(300, 200), Repaint::kWindow);
    // S = 200: (50, 150) and (150, 50), not the projected positions of the vertices.
    EXPECT_EQ(view->m_image.Pixel(50, 150), Px(kBlue));
    EXPECT_EQ(view->m_image.Pixel(150, 50), Px(kBlue));
    EXPECT_EQ(CountOther(view->m_image, Px(RGB(0, 0, 0))), 2);
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
    view->m_selectedVertex = 7;
    view->RenderModel();
    const CImage expected = ReferenceRender(*view);
    EXPECT_EQ(FirstDifference(view->m_image, expected), -1);
    EXPECT_GT(CountOther(view->m_image, Px(RGB(0, 0, 0))), 100);
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
            EXPECT_EQ(FirstDifference(view->m_image, ReferenceRender(*view)), -1) << file << " at " << size;
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
            EXPECT_EQ(FirstDifference(view->m_image, ReferenceRender(*view)), -1) << width << " at " << size;
            view->OnRButtonDown(0, 0);
            for (int step = 0; step < 12; ++step) {
                view->OnMouseMove(0, -1 - step);
            }
            EXPECT_EQ(FirstDifference(view->m_image, ReferenceRender(*view)), -1) << width << " at " << size;
        }
    }
}

TEST(ViewMatchesLiteralDrawing, LightingChangedWithoutTransformIsUsed) {
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc, 200);
    view->OnViewSolid();
    view->m_lighting.SetExteriorColor(RGB(0, 200, 0));
    view->m_lighting.m_shininess = 3.0;
    view->RenderModel();
    EXPECT_EQ(FirstDifference(view->m_image, ReferenceRender(*view)), -1);
}

TEST(ViewMatchesLiteralDrawing, CameraChangedWithoutTransformTurnsTheLightOnly) {
    // RenderModel alone keeps the last depth order and directions to the eye but brings the light
    // up to date for the camera as it now stands.
    auto doc = DocumentFromFile("teapot.off");
    auto view = MakeView(*doc, 200);
    view->OnViewSolid();
    view->m_viewingSpace.Orbit(40.0, 70.0);
    view->RenderModel();
    EXPECT_EQ(FirstDifference(view->m_image, ReferenceRender(*view)), -1);
}

TEST(ViewMatchesLiteralDrawing, AfterDraggingAVertexInSolidMode) {
    auto doc = DocumentFromFile("double_torus.off");
    auto view = MakeView(*doc, 200);
    view->OnViewSolid();
    view->m_selectedVertex = 17;
    view->OnEditingMode();
    view->OnRButtonDown(0, 0);
    view->OnMouseMove(0, -40);
    view->OnRButtonUp(0, -40);
    view->OnLButtonDown(0, 0);
    view->OnMouseMove(25, 9);
    EXPECT_EQ(FirstDifference(view->m_image, ReferenceRender(*view)), -1);
}

}  // namespace
}  // namespace quorvane
