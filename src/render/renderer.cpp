#include "render/renderer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace quorvane {

namespace {

// How far ahead of its turn a triangle is fetched, and its corners' pixels.
constexpr std::size_t kTriangleLookAhead = 24;
constexpr std::size_t kCornerLookAhead = 8;

// The pixel of a normalised image position by the rule of the drawing mode.
PixelPoint ImagePixel(int imageSize, double x, double y, bool linePixel) {
    return linePixel ? LinePixel(imageSize, x, y) : SolidPixel(imageSize, x, y);
}

// Triangles whose corners all lie in a block of kSmallBlock x kSmallBlock pixels (most triangles of a
// fine mesh) are drawn from a table of the pixels FillTriangle sets for each such triangle, made
// once by drawing every one of them. Drawing is the same anywhere in the image, so the table holds
// for every position.
constexpr int kSmallBlock = 4;

class SmallTriangleTable {
  public:
    SmallTriangleTable() {
        CImage scratch;
        scratch.Resize(kSmallBlock);
        constexpr int cells = kSmallBlock * kSmallBlock;
        for (int a = 0; a < cells; ++a) {
            for (int b = 0; b < cells; ++b) {
                for (int c = 0; c < cells; ++c) {
                    scratch.Fill(0);
                    FillTriangle(scratch, Corner(a), Corner(b), Corner(c), 1);
                    std::uint16_t mask = 0;
                    for (int cell = 0; cell < cells; ++cell) {
                        if (scratch.Data()[cell] != 0) {
                            mask = static_cast<std::uint16_t>(mask | (1u << cell));
                        }
                    }
                    m_masks[static_cast<std::size_t>((a * cells + b) * cells + c)] = mask;
                }
            }
        }
    }

    // The pixels of the triangle with corners in cells a, b and c (cell = row * kSmallBlock + column
    // relative to the block), bit `cell` set for each pixel drawn.
    std::uint16_t Mask(int a, int b, int c) const {
        constexpr int cells = kSmallBlock * kSmallBlock;
        return m_masks[static_cast<std::size_t>((a * cells + b) * cells + c)];
    }

  private:
    static PixelPoint Corner(int cell) { return {cell % kSmallBlock, cell / kSmallBlock}; }

    std::array<std::uint16_t,
               kSmallBlock * kSmallBlock * kSmallBlock * kSmallBlock * kSmallBlock * kSmallBlock>
        m_masks{};
};

const SmallTriangleTable& SmallTriangles() {
    static const SmallTriangleTable table;
    return table;
}

// The red, green and blue of a pixel, below its alpha byte.
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;

// Whether a pixel coordinate fits in 16 bits.
bool Fits16(int v) {
    return v >= -32768 && v <= 32767;
}

// A pixel whose coordinates fit in 16 bits as one number, x in the low half, and back.
std::int32_t PackPixel(PixelPoint p) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(p.x) & 0xFFFFu) |
                                     (static_cast<std::uint32_t>(p.y) << 16));
}
PixelPoint UnpackPixel(std::int32_t packed) {
    const auto bits = static_cast<std::uint32_t>(packed);
    return {static_cast<std::int16_t>(bits & 0xFFFFu), static_cast<std::int16_t>(bits >> 16)};
}

// The cell of pixel p in the block whose top-left pixel is (left, top).
int CellOf(PixelPoint p, int left, int top) {
    return (p.y - top) * kSmallBlock + (p.x - left);
}

// Whether the rows min(a, b, c) .. max(a, b, c) meet the band.
bool RowsMeetBand(int a, int b, int c, const CRasterClip& band) {
    return std::max({a, b, c}) >= band.rowBegin && std::min({a, b, c}) < band.rowEnd;
}

// The rows [rowBegin, rowEnd) of band `part` of `parts` of an image of `size` rows.
CRasterClip BandOf(int size, int part, int parts) {
    const PartRange rows = SplitRange(static_cast<std::size_t>(size), part, parts);
    return {static_cast<int>(rows.first), static_cast<int>(rows.last)};
}

}  // namespace

// Eye coordinates, projection and depth state of each vertex, in parallel ranges.
void CSceneRenderer::Project(const CViewingSpace& camera, const CVector3D* vertices, int count,
                             double* imageX, double* imageY, CWorkerPool& workers) {
    m_camera = camera;
    m_bDegenerate = camera.IsDegenerate();
    const std::size_t n = static_cast<std::size_t>(std::max(count, 0));
    ResizeForOverwrite(m_vertexState, n);
    std::uint8_t* state = m_vertexState.data();
    auto task = [&](int part) {
        const PartRange range = SplitRange(n, part, workers.Count());
        for (std::size_t i = range.first; i < range.last; ++i) {
            const CVector3D e = camera.WorldToEye(vertices[i]);
            const CVector3D q = camera.Project(e);
            imageX[i] = q.x;
            imageY[i] = q.y;
            if (!e.IsFinite()) {
                state[i] = kInvalid;
            } else {
                state[i] = e.z > 0.0 ? kInFront : kBehind;
            }
        }
    };
    workers.Run(task);
}

// The pixel of every vertex by the mode's rule, and whether it is drawn with it: a vertex in front
// of the eye whose pixel position lies beyond the drawn region is marked with the sides it lies
// beyond, so that its primitives are cut.
void CSceneRenderer::PreparePixels(const SceneInput& scene, bool linePixels, CWorkerPool& workers) {
    const std::size_t n = static_cast<std::size_t>(scene.vertexCount);
    ResizeForOverwrite(m_vertexPixels, n);
    ResizeForOverwrite(m_drawState, n);
    const int size = m_imageSize;
    const double s = static_cast<double>(size);
    auto task = [&](int part) {
        const PartRange range = SplitRange(n, part, workers.Count());
        for (std::size_t i = range.first; i < range.last; ++i) {
            const double x = scene.imageX[i];
            const double y = scene.imageY[i];
            std::uint8_t state = m_vertexState[i];
            if (state == kInFront) {
                const double u = s * x;
                const double v = s * y;
                if (!CProjectionRegion::ContainsPixel(u, v)) {
                    state = static_cast<std::uint8_t>(
                        (u > kProjectionLimit ? kRight : 0) | (u < -kProjectionLimit ? kLeft : 0) |
                        (v > kProjectionLimit ? kTop : 0) | (v < -kProjectionLimit ? kBottom : 0));
                    if (state == kInFront) {  // not a number
                        state = kInvalid;
                    }
                }
            }
            m_drawState[i] = state;
            m_vertexPixels[i] = ImagePixel(size, x, y, linePixels);
        }
    };
    workers.Run(task);
}

// Colours of triangles first .. last - 1 by number, seen from the eye of the mesh's last sort:
// each triangle's normal and direction to the eye are worked out from the vertex positions.
void CSceneRenderer::ShadeRange(const CTessellatedMesh& mesh, const CLightingSettings& lighting,
                                std::size_t first, std::size_t last) {
    const CTriangle* triangles = mesh.Triangles();
    const CVector3D* vertices = mesh.Vertices();
    const CVector3D eye = mesh.GetEye();
    for (std::size_t k = first; k < last; ++k) {
        const CTriangle& t = triangles[k];
        const CVector3D toEye = ViewFrom(t.Centroid(vertices), eye).m_toEye;
        m_colourByTriangle[k] = ColorRefToPixel(lighting.ComputeColor(t.Normal(vertices), toEye));
    }
}

void CSceneRenderer::SortAndShade(CTessellatedMesh& mesh, const CViewingSpace& camera,
                                  const CLightingSettings& lighting, CWorkerPool& workers) {
    const CVector3D eye = camera.GetFromPoint();
    const std::size_t n = static_cast<std::size_t>(std::max(mesh.m_nTriangles, 0));
    const int parts = workers.Count();
    // The distances on every thread, then the sort on one while the others work out the colours.
    mesh.SetEye(eye);
    auto distances = [&](int part) {
        const PartRange range = SplitRange(n, part, parts);
        mesh.UpdateDistances(static_cast<int>(range.first), static_cast<int>(range.last));
    };
    workers.Run(distances);
    if (camera.IsDegenerate()) {
        // Nothing is drawn with this camera; the light has no direction to take.
        mesh.SortByDistances();
        m_bColoursValid = false;
        return;
    }
    m_colourLighting = lighting;
    m_colourLighting.UpdateLightDirection(camera);
    ResizeForOverwrite(m_colourByTriangle, n);
    // The colours are shared out in chunks taken in turn, so that the sorting thread joins in
    // once it is done.
    constexpr std::size_t kShadeChunk = std::size_t{1} << 14;
    std::atomic<std::size_t> nextChunk{0};
    auto task = [&](int part) {
        if (part == 0) {
            mesh.SortByDistances();
        }
        for (;;) {
            const std::size_t first = nextChunk.fetch_add(1, std::memory_order_relaxed) * kShadeChunk;
            if (first >= n) {
                return;
            }
            ShadeRange(mesh, m_colourLighting, first, std::min(n, first + kShadeChunk));
        }
    };
    workers.Run(task);
    m_colourTriangles = mesh.m_nTriangles;
    m_bColoursValid = true;
}

// Corners and drawing kind of every triangle in drawing order, in parallel ranges, with the colours
// of SortAndShade or, when the lighting or the triangles changed since, colours worked out anew. The
// triangles are visited in painting order, which jumps about in memory, so each one is fetched
// ahead of its turn, and its corners' pixels a little later.
void CSceneRenderer::PrepareSolid(const SceneInput& scene, CWorkerPool& workers) {
    const CTessellatedMesh& mesh = *scene.triangles;
    const std::size_t n = static_cast<std::size_t>(std::max(mesh.m_nTriangles, 0));
    static_assert(std::is_trivially_copyable_v<CLightingSettings>);
    const bool coloursValid = m_bColoursValid && m_colourTriangles == mesh.m_nTriangles &&
                              std::memcmp(&m_colourLighting, scene.lighting, sizeof(CLightingSettings)) == 0;
    if (!coloursValid) {
        m_colourLighting = *scene.lighting;
        ResizeForOverwrite(m_colourByTriangle, n);
        auto shade = [&](int part) {
            const PartRange range = SplitRange(n, part, workers.Count());
            ShadeRange(mesh, m_colourLighting, range.first, range.last);
        };
        workers.Run(shade);
        m_colourTriangles = mesh.m_nTriangles;
        m_bColoursValid = true;
    }
    ResizeForOverwrite(m_solid, n);
    const int* order = mesh.GetOrder().data();
    const int size = m_imageSize;
    const SmallTriangleTable& small = SmallTriangles();
    auto task = [&](int part) {
        const PartRange range = SplitRange(n, part, workers.Count());
        for (std::size_t i = range.first; i < range.last; ++i) {
            if (i + kTriangleLookAhead < range.last) {
                const std::size_t k = static_cast<std::size_t>(order[i + kTriangleLookAhead]);
                // The three vertex numbers at the start of the triangle may straddle two lines.
                const char* triangle = reinterpret_cast<const char*>(&mesh.GetTriangle(static_cast<int>(k)));
                __builtin_prefetch(triangle);
                __builtin_prefetch(triangle + 3 * sizeof(int) - 1);
                __builtin_prefetch(&m_colourByTriangle[k]);
            }
            if (i + kCornerLookAhead < range.last) {
                const CTriangle& ahead = mesh.GetDrawnTriangle(static_cast<int>(i + kCornerLookAhead));
                for (const int v : {ahead.m_nV1, ahead.m_nV2, ahead.m_nV3}) {
                    __builtin_prefetch(&m_vertexPixels[static_cast<std::size_t>(v)]);
                    __builtin_prefetch(&m_drawState[static_cast<std::size_t>(v)]);
                }
            }
            const std::size_t number = static_cast<std::size_t>(order[i]);
            const CTriangle& t = mesh.GetTriangle(static_cast<int>(number));
            SolidEntry& entry = m_solid[i];
            const std::uint32_t colour = m_colourByTriangle[number] & kColourBits;
            const auto setKind = [&](std::uint32_t kind) { entry.colourKind = colour | kind << kKindShift; };
            entry.a = entry.b = entry.c = 0;
            const std::size_t a = static_cast<std::size_t>(t.m_nV1);
            const std::size_t b = static_cast<std::size_t>(t.m_nV2);
            const std::size_t c = static_cast<std::size_t>(t.m_nV3);
            const std::uint8_t sa = m_drawState[a];
            const std::uint8_t sb = m_drawState[b];
            const std::uint8_t sc = m_drawState[c];
            if ((sa | sb | sc) == kInFront) {
                const PixelPoint pa = m_vertexPixels[a];
                const PixelPoint pb = m_vertexPixels[b];
                const PixelPoint pc = m_vertexPixels[c];
                const int left = std::min({pa.x, pb.x, pc.x});
                const int right = std::max({pa.x, pb.x, pc.x});
                const int top = std::min({pa.y, pb.y, pc.y});
                const int bottom = std::max({pa.y, pb.y, pc.y});
                // Nothing of a triangle is drawn outside the box of its corners.
                if (right < 0 || bottom < 0 || left >= size || top >= size) {
                    setKind(kSkip);
                    continue;
                }
                if (std::int64_t{right} - left < kSmallBlock && std::int64_t{bottom} - top < kSmallBlock) {
                    setKind(kSmall);
                    entry.a = left;
                    entry.b = top;
                    entry.c = small.Mask(CellOf(pa, left, top), CellOf(pb, left, top), CellOf(pc, left, top));
                    continue;
                }
                if (Fits16(left) && Fits16(right) && Fits16(top) && Fits16(bottom)) {
                    setKind(kDraw);
                    entry.a = PackPixel(pa);
                    entry.b = PackPixel(pb);
                    entry.c = PackPixel(pc);
                    continue;
                }
                setKind(kDrawFar);
                entry.a = static_cast<std::int32_t>(number);
            } else if (((sa | sb | sc) & kInvalid) != 0 || (sa & sb & sc) != 0) {
                // All three beyond one side, or all behind the eye: nothing is in the region.
                setKind(kSkip);
            } else {
                setKind(kCut);
            }
        }
    };
    workers.Run(task);
}

void CSceneRenderer::Render(const SceneInput& scene, CImage& image, CWorkerPool& workers) {
    m_imageSize = image.Size();
    m_region = CProjectionRegion(m_imageSize, m_camera.GetProjectionScale());
    const bool drawable = !m_bDegenerate && scene.vertexCount > 0;
    const DrawingMode mode = scene.settings->mode;
    if (drawable) {
        PreparePixels(scene, mode == DrawingMode::kWireframe, workers);
        if (mode == DrawingMode::kSolid) {
            PrepareSolid(scene, workers);
        }
    }
    const std::uint32_t background = ColorRefToPixel(scene.settings->backgroundColor);
    auto task = [&](int part) {
        const CRasterClip band = BandOf(m_imageSize, part, workers.Count());
        FillRect(image, 0, 0, m_imageSize, m_imageSize, background, band);
        if (!drawable) {
            return;
        }
        switch (mode) {
            case DrawingMode::kWireframe:
                DrawWireframeBand(scene, image, band);
                break;
            case DrawingMode::kSolid:
                DrawSolidBand(scene, image, band);
                break;
            case DrawingMode::kPoints:
                DrawPointsBand(scene, image, band);
                break;
        }
    };
    workers.Run(task);
    if (drawable) {
        DrawMarker(scene, image);
    }
}

// The pixel of a point a cut made, by the mode's rule.
PixelPoint CSceneRenderer::CutPixel(const ClipVertex& vertex, bool linePixel) const {
    return linePixel ? LinePixelAt(m_imageSize, vertex.u, vertex.v)
                     : SolidPixelAt(m_imageSize, vertex.u, vertex.v);
}

// The distinct edges in document order, each from the pixel of its first end toward that of its
// second, leaving out the last pixel; an edge with an end outside the drawn region is cut to it.
void CSceneRenderer::DrawWireframeBand(const SceneInput& scene, CImage& image,
                                       const CRasterClip& band) const {
    const std::vector<CEdge>& edges = scene.document->m_edges;
    const std::size_t edgeCount = static_cast<std::size_t>(scene.edgeCount);
    const std::uint32_t colour = ColorRefToPixel(scene.lighting->GetExteriorColor());
    const std::vector<CVector3D>& vertices = scene.document->m_vertices;
    for (std::size_t j = 0; j < edgeCount; ++j) {
        const std::size_t a = static_cast<std::size_t>(edges[j].m_nV1);
        const std::size_t b = static_cast<std::size_t>(edges[j].m_nV2);
        const std::uint8_t sa = m_drawState[a];
        const std::uint8_t sb = m_drawState[b];
        PixelPoint pa;
        PixelPoint pb;
        if ((sa | sb) == kInFront) {
            pa = m_vertexPixels[a];
            pb = m_vertexPixels[b];
            if (!RowsMeetBand(pa.y, pb.y, pb.y, band)) {
                continue;
            }
        } else if (((sa | sb) & kInvalid) != 0 || (sa & sb) != 0) {
            continue;
        } else {
            ClipVertex ends[2];
            if (!m_region.ClipSegment(m_camera.WorldToEye(vertices[a]), m_camera.WorldToEye(vertices[b]),
                                      ends)) {
                continue;
            }
            pa = ends[0].corner == 0 ? m_vertexPixels[a] : CutPixel(ends[0], true);
            pb = ends[1].corner == 1 ? m_vertexPixels[b] : CutPixel(ends[1], true);
        }
        Line(image, pa.x, pa.y, pb.x, pb.y, colour, band);
    }
}

// The triangles farthest first, each filled with its outline in its own colour; a triangle with a
// corner outside the drawn region is cut to it and drawn as a fan of triangles.
void CSceneRenderer::DrawSolidBand(const SceneInput& scene, CImage& image, const CRasterClip& band) const {
    const std::size_t n = m_solid.size();
    const std::vector<CVector3D>& vertices = scene.document->m_vertices;
    std::uint32_t* pixels = image.Data();
    const std::size_t stride = static_cast<std::size_t>(m_imageSize);
    for (std::size_t i = 0; i < n; ++i) {
        const SolidEntry& entry = m_solid[i];
        const std::uint32_t kind = entry.colourKind >> kKindShift;
        const std::uint32_t colour = entry.colourKind | ~kColourBits;
        if (kind == kSmall) {
            const int left = entry.a;
            const int top = entry.b;
            if (top + kSmallBlock <= band.rowBegin || top >= band.rowEnd) {
                continue;
            }
            for (unsigned mask = static_cast<unsigned>(entry.c); mask != 0; mask &= mask - 1) {
                const int cell = std::countr_zero(mask);
                const int x = left + cell % kSmallBlock;
                const int y = top + cell / kSmallBlock;
                if (y >= band.rowBegin && y < band.rowEnd && x >= 0 && x < m_imageSize) {
                    pixels[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] = colour;
                }
            }
            continue;
        }
        if (kind == kDraw) {
            const PixelPoint pa = UnpackPixel(entry.a);
            const PixelPoint pb = UnpackPixel(entry.b);
            const PixelPoint pc = UnpackPixel(entry.c);
            if (RowsMeetBand(pa.y, pb.y, pc.y, band)) {
                FillTriangle(image, pa, pb, pc, colour, band);
            }
            continue;
        }
        if (kind == kDrawFar) {
            const CTriangle& t = scene.triangles->GetTriangle(entry.a);
            const PixelPoint pa = m_vertexPixels[static_cast<std::size_t>(t.m_nV1)];
            const PixelPoint pb = m_vertexPixels[static_cast<std::size_t>(t.m_nV2)];
            const PixelPoint pc = m_vertexPixels[static_cast<std::size_t>(t.m_nV3)];
            if (RowsMeetBand(pa.y, pb.y, pc.y, band)) {
                FillTriangle(image, pa, pb, pc, colour, band);
            }
            continue;
        }
        if (kind == kSkip) {
            continue;
        }
        const CTriangle& t = scene.triangles->GetDrawnTriangle(static_cast<int>(i));
        const std::size_t corners[3] = {static_cast<std::size_t>(t.m_nV1), static_cast<std::size_t>(t.m_nV2),
                                        static_cast<std::size_t>(t.m_nV3)};
        CVector3D eye[3];
        for (int k = 0; k < 3; ++k) {
            eye[k] = m_camera.WorldToEye(vertices[corners[k]]);
        }
        ClipVertex polygon[kMaxClipVertices];
        const int count = m_region.ClipTriangle(eye, polygon);
        PixelPoint points[kMaxClipVertices];
        for (int k = 0; k < count; ++k) {
            const int corner = polygon[k].corner;
            points[k] = corner >= 0 ? m_vertexPixels[corners[corner]] : CutPixel(polygon[k], false);
        }
        for (int k = 1; k + 1 < count; ++k) {
            FillTriangle(image, points[0], points[k], points[k + 1], colour, band);
        }
    }
}

// One pixel per vertex drawn with its own pixel, in the exterior colour.
void CSceneRenderer::DrawPointsBand(const SceneInput& scene, CImage& image, const CRasterClip& band) const {
    const std::uint32_t colour = ColorRefToPixel(scene.lighting->GetExteriorColor());
    const std::size_t n = static_cast<std::size_t>(scene.vertexCount);
    for (std::size_t i = 0; i < n; ++i) {
        if (m_drawState[i] == kInFront) {
            const PixelPoint p = m_vertexPixels[i];
            SetPixel(image, p.x, p.y, colour, band);
        }
    }
}

// The frame around the selected vertex's line-end pixel, kMarkerSize pixels wide at scale 1,
// unless the vertex is not drawn with its own pixel.
void CSceneRenderer::DrawMarker(const SceneInput& scene, CImage& image) const {
    const int i = scene.settings->selectedVertex;
    if (i < 0 || i >= scene.vertexCount || m_drawState[static_cast<std::size_t>(i)] != kInFront) {
        return;
    }
    const double scaled = kMarkerSize * scene.settings->markerScale;
    constexpr double kLargestMarker = 1024.0;
    const int side = scaled >= 1.0 ? static_cast<int>(std::min(scaled, kLargestMarker)) : 1;
    const PixelPoint p = LinePixel(m_imageSize, scene.imageX[i], scene.imageY[i]);
    Draw3dRect(image, p.x - side / 2, p.y - side / 2, side, side, ColorRefToPixel(kMarkerTopLeftColor),
               ColorRefToPixel(kMarkerBottomRightColor));
}

}  // namespace quorvane
