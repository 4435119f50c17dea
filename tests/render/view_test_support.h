// Shared helpers of the view tests: documents from OFF text or test files, a view sized and
// updated for them, pixel queries, and a single-threaded reference drawing that follows the
// renderer's steps literally with the raster operations.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "model/document.h"
#include "model/pixel.h"
#include "render/color.h"
#include "render/raster.h"
#include "render/view.h"

namespace quorvane::testing_support {

inline std::uint32_t Px(COLORREF c) {
    return ColorRefToPixel(c);
}

inline std::unique_ptr<CQuorvaneDoc> DocumentFromText(std::string_view text) {
    auto doc = std::make_unique<CQuorvaneDoc>();
    OffError error;
    EXPECT_TRUE(doc->LoadFromText(text, &error)) << error.ToString();
    return doc;
}

inline std::unique_ptr<CQuorvaneDoc> DocumentFromFile(const std::string& name) {
    auto doc = std::make_unique<CQuorvaneDoc>();
    OffError error;
    EXPECT_TRUE(doc->LoadFromFile(std::string(QUORVANE_TEST_DATA) + "/" + name, &error)) << error.ToString();
    return doc;
}

// A view of `doc` with a square client area of `size` pixels, updated for the document.
inline std::unique_ptr<CQuorvaneView> MakeView(CQuorvaneDoc& doc, int size = 400) {
    auto view = std::make_unique<CQuorvaneView>(&doc);
    view->OnSize(size, size);
    view->OnUpdate();
    return view;
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

// The picture the renderer must make from the view's current projected coordinates, drawn by the
// literal steps: background; wireframe lines k, k + 1 between line-end pixels; or solid triangles
// in draw order with their screen corners and colours, the light brought up to date first; or
// points at solid pixels; then the marker at the selected vertex's line-end pixel. Valid only when
// every vertex is in front of the eye.
inline CImage ReferenceRender(CQuorvaneView& view) {
    const CQuorvaneDoc& doc = *view.GetDocument();
    const int s = view.m_imageSize;
    CImage image;
    image.Resize(s);
    FillRect(image, 0, 0, s, s, Px(view.m_backgroundColor));
    const std::uint32_t exterior = Px(view.m_lighting.GetExteriorColor());
    const auto& x = view.m_imageX;
    const auto& y = view.m_imageY;
    if (view.m_bWireframe) {
        for (int k = 0; k < view.m_edgeEndpointCount; k += 2) {
            const int a = doc.GetEdgeEndpoint(k);
            const int b = doc.GetEdgeEndpoint(k + 1);
            const PixelPoint pa = LinePixel(s, x[a], y[a]);
            const PixelPoint pb = LinePixel(s, x[b], y[b]);
            Line(image, pa.x, pa.y, pb.x, pb.y, exterior);
        }
    } else if (view.m_bSolid) {
        CLightingSettings lighting = view.m_lighting;
        lighting.SetLightDirection(view.m_viewingSpace.EyeToWorld(lighting.GetLightPosition()));
        view.m_triangles.m_nImageSize = s;
        for (int i = 0; i < view.m_triangles.m_nTriangles; ++i) {
            const CTriangle& t = view.m_triangles.GetDrawnTriangle(i);
            const std::uint32_t c = Px(lighting.ComputeColor(t.m_normal, t.m_toEye));
            const ScreenTriangle st = view.m_triangles.GetScreenTriangle(i);
            FillTriangle(image, {st.corners[0].x, st.corners[0].y}, {st.corners[1].x, st.corners[1].y},
                         {st.corners[2].x, st.corners[2].y}, c);
        }
    } else if (view.m_bPoints) {
        for (int i = 0; i < doc.m_nVertices; ++i) {
            const PixelPoint p = SolidPixel(s, x[i], y[i]);
            SetPixel(image, p.x, p.y, exterior);
        }
    }
    if (view.m_selectedVertex >= 0 && static_cast<std::size_t>(view.m_selectedVertex) < x.size()) {
        const PixelPoint p = LinePixel(s, x[view.m_selectedVertex], y[view.m_selectedVertex]);
        Draw3dRect(image, p.x - 2, p.y - 2, 4, 4, Px(RGB(170, 170, 170)), Px(RGB(255, 255, 255)));
    }
    return image;
}

}  // namespace quorvane::testing_support
