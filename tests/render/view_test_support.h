// Shared helpers of the view and renderer tests: documents from OFF text or test files, a view sized
// and updated for them, models placed at chosen image positions, vertex selection by double-click,
// pixel queries, and a single-threaded reference drawing that follows the renderer's steps
// literally with the raster operations.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "model/document.h"
#include "render/color.h"
#include "render/frame_renderer.h"
#include "render/raster.h"
#include "render/view.h"
#include "support/documents.h"
#include "viewing/default_view.h"
#include "viewing/pixel.h"

namespace quorvane::testing_support {

inline std::uint32_t Px(COLORREF c) {
    return ColorRefToPixel(c);
}

using quorvane::testing::DocumentFromFile;
using quorvane::testing::DocumentFromText;

// A view of `doc` with a square client area of `size` pixels, updated for the document.
inline std::unique_ptr<CQuorvaneView> MakeView(CQuorvaneDoc& doc, int size = 400) {
    auto view = std::make_unique<CQuorvaneView>(&doc);
    view->OnSize(size, size);
    view->OnUpdate();
    return view;
}

// The default view's camera for `doc`.
inline CViewingSpace FramingCamera(const CQuorvaneDoc& doc) {
    CViewingSpace camera;
    SetDefaultView(camera, doc);
    return camera;
}

// The camera of the placed models: from (0, 0, 1) toward the origin at 90 degrees, so that a
// vertex (X, Y, 0) lies at depth 1 and projects to (k X + 0.5, k Y + 0.5), (0, 0, 0) to exactly
// (0.5, 0.5).
inline void LookAtPlacedModel(CQuorvaneView& view) {
    view.ApplyViewingParameters({0, 0, 0}, {0, 0, 1}, {0, 1, 0}, 90.0);
}

// OFF text of one vertex per normalised image position (nx, ny), placed in the plane z = 0 to
// project there (to rounding) under LookAtPlacedModel's camera, and the given faces.
inline std::string PlacedModel(const std::vector<std::array<double, 2>>& positions,
                               const std::vector<std::vector<int>>& faces) {
    CViewingSpace camera;
    camera.SetViewingAngle(90.0);
    const double k = camera.GetProjectionScale();
    std::string text =
        "OFF\n" + std::to_string(positions.size()) + " " + std::to_string(faces.size()) + " 0\n";
    char line[128];
    for (const std::array<double, 2>& p : positions) {
        std::snprintf(line, sizeof line, "%.17g %.17g 0\n", (p[0] - 0.5) / k, (p[1] - 0.5) / k);
        text += line;
    }
    for (const std::vector<int>& face : faces) {
        text += std::to_string(face.size());
        for (int index : face) {
            text += ' ';
            text += std::to_string(index);
        }
        text += "\n";
    }
    return text;
}

// The line-end pixel of vertex k in the view's image from its last projection.
inline PixelPoint VertexLinePixel(const CQuorvaneView& view, int k) {
    const CFrameRenderer& frame = view.GetFrameRenderer();
    return LinePixel(view.GetImageSize(), frame.GetImageX()[static_cast<std::size_t>(k)],
                     frame.GetImageY()[static_cast<std::size_t>(k)]);
}

// Selects vertex k the way the user does: a double-click on the logical pixel over its device pixel
// (after one that clears an earlier selection). The vertex must be the lowest-numbered one nearest
// to where the click lands.
inline void SelectVertex(CQuorvaneView& view, int k) {
    if (view.GetSelectedVertex() != -1) {
        view.OnLButtonDblClk(0, 0);
    }
    view.TransformModel();
    const PixelPoint p = VertexLinePixel(view, k);
    const double r = view.GetDevicePixelRatio();
    view.OnLButtonDblClk(static_cast<int>(std::floor((p.x + view.GetImageLeft() + 0.5) / r)),
                         static_cast<int>(std::floor((p.y + view.GetImageTop() + 0.5) / r)));
    ASSERT_EQ(view.GetSelectedVertex(), k) << "another vertex is as near to the pixel of " << k;
}

// Number of pixels of the image that are not `colour`.
inline int CountOther(const CImage& image, std::uint32_t colour) {
    int count = 0;
    const std::size_t n = static_cast<std::size_t>(image.Size()) * static_cast<std::size_t>(image.Size());
    for (std::size_t i = 0; i < n; ++i) {
        count += image.Data()[i] != colour ? 1 : 0;
    }
    return count;
}

// Index of the first pixel where the two images differ, -1 when they are equal (sizes included).
inline long FirstDifference(const CImage& a, const CImage& b) {
    if (a.Size() != b.Size()) {
        return 0;
    }
    const std::size_t n = static_cast<std::size_t>(a.Size()) * static_cast<std::size_t>(a.Size());
    for (std::size_t i = 0; i < n; ++i) {
        if (a.Data()[i] != b.Data()[i]) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

// The picture the renderer must make from the frame renderer's last projection and draw order,
// drawn by the literal steps: background; wireframe lines k, k + 1 between line-end pixels; or
// solid triangles in draw order with their corners' solid pixels and colours, the light brought up
// to date for `camera` first; or points at solid pixels; then the marker at the selected vertex's
// line-end pixel. Valid only when every vertex is drawn with its own pixel (in front of the eye,
// projecting within kProjectionLimit).
inline CImage ReferenceRender(const CFrameRenderer& frame, const CViewingSpace& camera,
                              const DrawingSettings& settings, int s) {
    CImage image;
    image.Resize(s);
    FillRect(image, 0, 0, s, s, Px(settings.backgroundColor));
    const std::uint32_t exterior = Px(settings.lighting.GetExteriorColor());
    const std::span<const double> x = frame.GetImageX();
    const std::span<const double> y = frame.GetImageY();
    const CQuorvaneDoc* doc = frame.GetModel();
    if (doc == nullptr) {
        return image;
    }
    if (settings.mode == DrawingMode::kWireframe) {
        for (int k = 0; k < 2 * frame.GetEdgeCount(); k += 2) {
            const std::size_t a = static_cast<std::size_t>(doc->GetEdgeEndpoint(k));
            const std::size_t b = static_cast<std::size_t>(doc->GetEdgeEndpoint(k + 1));
            const PixelPoint pa = LinePixel(s, x[a], y[a]);
            const PixelPoint pb = LinePixel(s, x[b], y[b]);
            Line(image, pa.x, pa.y, pb.x, pb.y, exterior);
        }
    } else if (settings.mode == DrawingMode::kSolid) {
        CLightingSettings lighting = settings.lighting;
        lighting.SetLightDirection(camera.EyeToWorld(lighting.GetLightPosition()));
        const CTessellatedMesh& mesh = frame.GetMesh();
        for (int i = 0; i < mesh.m_nTriangles; ++i) {
            const int k = mesh.GetOrder()[static_cast<std::size_t>(i)];
            const CTriangle& t = mesh.GetTriangle(k);
            const std::uint32_t c = Px(lighting.ComputeColor(mesh.GetNormal(k), mesh.GetToEye(k)));
            PixelPoint corners[3];
            const int indices[3] = {t.m_nV1, t.m_nV2, t.m_nV3};
            for (int j = 0; j < 3; ++j) {
                const std::size_t v = static_cast<std::size_t>(indices[j]);
                corners[j] = SolidPixel(s, x[v], y[v]);
            }
            FillTriangle(image, corners[0], corners[1], corners[2], c);
        }
    } else {
        for (std::size_t i = 0; i < x.size(); ++i) {
            const PixelPoint p = SolidPixel(s, x[i], y[i]);
            SetPixel(image, p.x, p.y, exterior);
        }
    }
    const int selected = settings.selectedVertex;
    if (selected >= 0 && static_cast<std::size_t>(selected) < x.size()) {
        const std::size_t v = static_cast<std::size_t>(selected);
        const PixelPoint p = LinePixel(s, x[v], y[v]);
        Draw3dRect(image, p.x - 2, p.y - 2, 4, 4, Px(RGB(170, 170, 170)), Px(RGB(255, 255, 255)));
    }
    return image;
}

// The same for the picture a view draws next.
inline CImage ReferenceRender(const CQuorvaneView& view) {
    return ReferenceRender(view.GetFrameRenderer(), view.GetViewingSpace(), view.GetDrawingSettings(),
                           view.GetImageSize());
}

}  // namespace quorvane::testing_support
