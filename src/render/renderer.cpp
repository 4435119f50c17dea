#include "render/renderer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "render/face_colour.h"

namespace quorvane {

namespace {

// How far ahead of its turn a triangle is fetched, and its corners' pixels.
constexpr std::size_t kTriangleLookAhead = 24;
constexpr std::size_t kCornerLookAhead = 8;

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
    // `masks` is the table's Masks(), fetched once by loops over many triangles.
    static std::uint16_t MaskIn(const std::uint16_t* masks, int a, int b, int c) {
        constexpr int cells = kSmallBlock * kSmallBlock;
        return masks[static_cast<std::size_t>((a * cells + b) * cells + c)];
    }
    const std::uint16_t* Masks() const { return m_masks.data(); }

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

// Paints the solid model in painting order: each pixel offered takes the colour.
struct SPaintPen {
    CImage& image;
    std::uint32_t colour = 0;

    void Plot(std::int64_t index) { image.Data()[index] = colour; }
    void Triangle(PixelPoint a, PixelPoint b, PixelPoint c, const CRasterClip& band) {
        FillTriangle(image, a, b, c, colour, band);
    }
};

// The exact depth keys of a mesh's triangles: their distances, to the bit as TriangleDistances
// gives them for the frame.
struct STriangleKeys final : IDepthKeys {
    const CTriangle* triangles;
    const CVector3D* vertices;
    CVector3D eye;

    STriangleKeys(const CTriangle* t, const CVector3D* v, const CVector3D& e)
        : triangles(t), vertices(v), eye(e) {}
    double KeyOf(std::uint32_t id) const override {
        double key = 0.0;
        TriangleDistances(triangles + id, vertices, eye, 0, 1, &key);
        return key;
    }
};

// Draws the solid model with the depth test.
struct SDepthPen {
    CDepthPen pen;

    void Plot(std::int64_t index) { pen.Plot(index); }
    void Triangle(PixelPoint a, PixelPoint b, PixelPoint c, const CRasterClip& band) {
        FillTriangle(pen, a, b, c, band);
    }
};

}  // namespace

// Eye coordinates, projection and depth state of each vertex, in parallel ranges.
void CSceneRenderer::Project(const CViewingSpace& camera, const CVector3D* vertices, int count,
                             double* imageX, double* imageY, CWorkerPool& workers, int imageSize,
                             bool linePixels) {
    m_camera = camera;
    m_bDegenerate = camera.IsDegenerate();
    const std::size_t n = static_cast<std::size_t>(std::max(count, 0));
    ResizeForOverwrite(m_vertexSide, n);
    const bool pixels = imageSize > 0;
    if (pixels) {
        ResizeForOverwrite(m_vertexPixels, n);
        ResizeForOverwrite(m_drawState, n);
    }
    // The pixels of a run of vertices are made while its coordinates are at hand.
    constexpr std::size_t kRun = 1024;
    auto task = [&](int part) {
        const PartRange range = SplitRange(n, part, workers.Count());
        for (std::size_t first = range.first; first < range.last; first += kRun) {
            const std::size_t last = std::min(range.last, first + kRun);
            ProjectPoints(camera, vertices, first, last, imageX, imageY, m_vertexSide.data());
            if (pixels) {
                PrepareVertices(imageX, imageY, first, last, imageSize, linePixels);
            }
        }
    };
    workers.Run(task);
    m_pixelsSize = pixels ? imageSize : -1;
    m_bPixelsForLines = linePixels;
}

// The pixel of every vertex by the mode's rule, and whether it is drawn with it: a vertex in front
// of the eye whose pixel position lies beyond the drawn region is marked with the sides it lies
// beyond, so that its primitives are cut.
void CSceneRenderer::PreparePixels(const SceneInput& scene, bool linePixels, CWorkerPool& workers) {
    const std::size_t n = static_cast<std::size_t>(scene.vertexCount);
    if (m_pixelsSize == m_imageSize && m_bPixelsForLines == linePixels && m_vertexPixels.size() == n) {
        return;  // made with the projection
    }
    ResizeForOverwrite(m_vertexPixels, n);
    ResizeForOverwrite(m_drawState, n);
    auto task = [&](int part) {
        const PartRange range = SplitRange(n, part, workers.Count());
        PrepareVertices(scene.imageX, scene.imageY, range.first, range.last, m_imageSize, linePixels);
    };
    workers.Run(task);
    m_pixelsSize = m_imageSize;
    m_bPixelsForLines = linePixels;
}

// Vertices first .. last - 1 as PreparePixels describes them, for an image of side `size`.
void CSceneRenderer::PrepareVertices(const double* imageX, const double* imageY, std::size_t first,
                                     std::size_t last, int size, bool linePixels) {
    const double s = static_cast<double>(size);
    for (std::size_t i = first; i < last; ++i) {
        const double x = imageX[i];
        const double y = imageY[i];
        const EyeSide side = m_vertexSide[i];
        std::uint8_t state = side == EyeSide::kInFront  ? kInFront
                             : side == EyeSide::kBehind ? kBehind
                                                        : kInvalid;
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
    }
    ImagePixels(size, imageX, imageY, first, last, linePixels, m_vertexPixels.data());
}

// Colours of triangles first .. last - 1 by number, seen from the eye of the mesh's last sort:
// each triangle's normal and direction to the eye are worked out from the vertex positions.
void CSceneRenderer::ShadeRange(const CTessellatedMesh& mesh, const CLightingSettings& lighting,
                                std::size_t first, std::size_t last) {
    const CTriangle* triangles = mesh.Triangles();
    const CVector3D* vertices = mesh.Vertices();
    const CVector3D eye = mesh.GetEye();
    std::size_t k = first;
    for (; k + 1 < last; k += 2) {
        FaceColours(triangles[k], triangles[k + 1], vertices, eye, lighting, m_colourByTriangle[k],
                    m_colourByTriangle[k + 1]);
    }
    if (k < last) {
        m_colourByTriangle[k] = FaceColour(triangles[k], vertices, eye, lighting);
    }
}

void CSceneRenderer::SortAndShade(CTessellatedMesh& mesh, const CViewingSpace& camera,
                                  const CLightingSettings& lighting, CWorkerPool& workers) {
    const CVector3D eye = camera.GetFromPoint();
    const std::size_t n = static_cast<std::size_t>(std::max(mesh.m_nTriangles, 0));
    // The distances on every thread, then the sort on one while the others work out the colours.
    mesh.UpdateDistancesFor(eye, workers);
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

// What drawing triangle `number` takes, from its corners' pixels and states: its kind, in the
// kind bits over `colour`, and where it lies.
inline CSceneRenderer::SolidEntry CSceneRenderer::ClassifyTriangle(const CTriangle& t, std::size_t number,
                                                                   std::uint32_t colour,
                                                                   const std::uint16_t* smallMasks) const {
    SolidEntry entry{0, 0, 0, 0};
    const auto setKind = [&](std::uint32_t kind) { entry.colourKind = colour | kind << kKindShift; };
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
        const int size = m_imageSize;
        // Nothing of a triangle is drawn outside the box of its corners.
        if (right < 0 || bottom < 0 || left >= size || top >= size) {
            setKind(kSkip);
        } else if (std::int64_t{right} - left < kSmallBlock && std::int64_t{bottom} - top < kSmallBlock) {
            setKind(kSmall);
            entry.a = left;
            entry.b = top;
            entry.c = SmallTriangleTable::MaskIn(smallMasks, CellOf(pa, left, top), CellOf(pb, left, top),
                                                 CellOf(pc, left, top));
        } else if (Fits16(left) && Fits16(right) && Fits16(top) && Fits16(bottom)) {
            setKind(kDraw);
            entry.a = PackPixel(pa);
            entry.b = PackPixel(pb);
            entry.c = PackPixel(pc);
        } else {
            setKind(kDrawFar);
            entry.a = static_cast<std::int32_t>(number);
        }
    } else if (((sa | sb | sc) & kInvalid) != 0 || (sa & sb & sc) != 0) {
        // All three beyond one side, or all behind the eye: nothing is in the region.
        setKind(kSkip);
    } else {
        setKind(kCut);
        entry.a = static_cast<std::int32_t>(number);
    }
    return entry;
}

// Corners and drawing kind of every triangle in painting order, in parallel ranges, with the
// colours of SortAndShade or, when the lighting or the triangles changed since, colours worked out
// anew. The painting order jumps about in memory, so each triangle is fetched ahead of its turn,
// and its corners' pixels a little later.
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
    const std::uint16_t* smallMasks = SmallTriangles().Masks();
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
            m_solid[i] = ClassifyTriangle(mesh.GetTriangle(static_cast<int>(number)), number,
                                          m_colourByTriangle[number] & kColourBits, smallMasks);
        }
    };
    workers.Run(task);
}

bool CSceneRenderer::Render(const SceneInput& scene, CImage& image, CWorkerPool& workers) {
    m_imageSize = image.Size();
    m_region = CProjectionRegion(m_imageSize, m_camera.GetProjectionScale());
    const bool drawable = !m_bDegenerate && scene.vertexCount > 0;
    const DrawingMode mode = scene.settings->mode;
    const std::uint32_t background = ColorRefToPixel(scene.settings->backgroundColor);
    if (drawable && mode == DrawingMode::kSolid && scene.depthTest) {
        PreparePixels(scene, false, workers);
        if (!DrawDepthTested(scene, image, background, workers)) {
            return false;
        }
        DrawMarker(scene, image);
        return true;
    }
    if (drawable) {
        PreparePixels(scene, mode == DrawingMode::kWireframe, workers);
        if (mode == DrawingMode::kSolid) {
            PrepareSolid(scene, workers);
        }
    }
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
    return true;
}

std::size_t CSceneRenderer::DepthRun(std::size_t triangles, int layers) {
    const std::size_t runs = kRunsPerLayer * static_cast<std::size_t>(std::max(layers, 1));
    const std::size_t run = (triangles + runs - 1) / runs;
    return std::max(kDistanceRun, (run + kDistanceRun - 1) / kDistanceRun * kDistanceRun);
}

int CSceneRenderer::DepthLayers(int imageSize, int threads) {
    const std::int64_t pixels = std::int64_t{imageSize} * imageSize;
    if (pixels == 0) {
        return 0;
    }
    return static_cast<int>(std::min<std::int64_t>(threads, kDepthPixelBudget / pixels));
}

// The solid model with the depth test. The triangles are dealt out in runs to depth layers, each a
// whole image of depth cells (rounded key and triangle number) that one thread draws its
// triangles into, every triangle's distance its key. The layers are then merged, row bands at a
// time, into the first, which marks each triangle it shows. The shown triangles alone are shaded,
// and the pixels take their colours. A tie between triangles of different colours leaves the
// picture unfinished, as does a distance that is not a finite number, which would upset the
// painting order.
bool CSceneRenderer::DrawDepthTested(const SceneInput& scene, CImage& image, std::uint32_t background,
                                     CWorkerPool& workers) {
    const CTessellatedMesh& mesh = *scene.triangles;
    const std::size_t n = static_cast<std::size_t>(std::max(mesh.m_nTriangles, 0));
    const std::size_t stride = static_cast<std::size_t>(m_imageSize);
    const std::size_t pixelCount = stride * stride;
    const int parts = workers.Count();
    const int layerCount = DepthLayers(m_imageSize, parts);
    if (layerCount < 1) {
        return false;
    }
    if (m_layers.size() < static_cast<std::size_t>(layerCount)) {
        m_layers.resize(static_cast<std::size_t>(layerCount));
    }
    if (m_mergeTies.size() != static_cast<std::size_t>(parts)) {
        m_mergeTies.resize(static_cast<std::size_t>(parts));
    }
    if (m_shown.size() != n) {
        m_shown.assign(n, 0);
    }
    const CTriangle* triangles = mesh.Triangles();
    const CVector3D* vertices = mesh.Vertices();
    const CVector3D eye = mesh.GetEye();
    const STriangleKeys exactKeys(triangles, vertices, eye);
    // A pen drawing into `plane` with the exact keys of this frame, noting ties in the room given.
    const auto penOn = [&](std::uint64_t* plane, CDepthTie* ties, std::size_t tieRoom) {
        CDepthPen pen;
        pen.cells = plane;
        pen.size = m_imageSize;
        pen.keys = &exactKeys;
        pen.ties = ties;
        pen.tieCapacity = tieRoom;
        return pen;
    };
    const std::uint16_t* smallMasks = SmallTriangles().Masks();
    // The offset in the planes of each cell of a small triangle's block from its top-left pixel.
    std::array<std::int64_t, kSmallBlock * kSmallBlock> blockOffsets{};
    for (int cell = 0; cell < kSmallBlock * kSmallBlock; ++cell) {
        blockOffsets[static_cast<std::size_t>(cell)] =
            std::int64_t{cell / kSmallBlock} * m_imageSize + cell % kSmallBlock;
    }
    auto draw = [&](int part) {
        if (part >= layerCount) {
            return;
        }
        SDepthLayer& layer = m_layers[static_cast<std::size_t>(part)];
        if (layer.clearPixels != pixelCount) {
            // A fresh zeroed plane, whose pages outside the model's pixels are never touched.
            layer.cells.AssignZeroed(pixelCount);
        }
        layer.clearPixels = 0;
        std::uint64_t* const cellPlane = layer.cells.data();
        SDepthPen pen{penOn(cellPlane, layer.ties.data(), layer.ties.size())};
        bool finite = true;
        double keys[kDistanceRun];
        const CRasterClip wholeImage{0, m_imageSize};
        // The box of the pixels the layer's triangles may have set: that of the small triangles
        // drawn from their blocks, kept in registers, and that of the others.
        SPixelBox box{m_imageSize, m_imageSize, 0, 0};
        int boxLeft = m_imageSize;
        int boxTop = m_imageSize;
        int boxRight = 0;
        int boxBottom = 0;
        // Runs of triangles are dealt to the layers in turn, so that each layer gets some of every
        // part of the model (which may lie nearer or farther, on screen or off it), while a run
        // keeps neighbouring triangles, which draw into neighbouring pixels, together. The
        // distances of a few hundred triangles come first, in a loop of their own that keeps the
        // divider busy, then those triangles are drawn with them.
        const std::size_t run = DepthRun(n, layerCount);
        const std::size_t step = run * static_cast<std::size_t>(layerCount);
        for (std::size_t first = run * static_cast<std::size_t>(part); first < n; first += step) {
            const std::size_t last = std::min(n, first + run);
            for (std::size_t start = first; start < last; start += kDistanceRun) {
                const std::size_t end = std::min(last, start + kDistanceRun);
                // keys[k - start] is the distance of triangle k, only needed while it is drawn.
                TriangleDistances(triangles + start, vertices, eye, 0, end - start, keys);
                for (std::size_t k = start; k < end; ++k) {
                    finite = finite && std::isfinite(keys[k - start]);
                }
                for (std::size_t k = start; k < end; ++k) {
                    const CTriangle& t = triangles[k];
                    const double key = keys[k - start];
                    const auto id = static_cast<std::uint32_t>(k);
                    const SolidEntry entry = ClassifyTriangle(t, k, 0, smallMasks);
                    const std::uint32_t kind = entry.colourKind >> kKindShift;
                    const int left = entry.a;
                    const int top = entry.b;
                    if (kind == kSmall && left >= 0 && top >= 0 && left <= m_imageSize - kSmallBlock &&
                        top <= m_imageSize - kSmallBlock) {
                        // Most triangles of a fine mesh: a block of pixels inside the image, drawn from
                        // its mask without bounds checks, with what the test needs kept in registers.
                        // A block is never empty: the box grows without the test Include makes.
                        boxLeft = std::min(boxLeft, left);
                        boxTop = std::min(boxTop, top);
                        boxRight = std::max(boxRight, left + kSmallBlock);
                        boxBottom = std::max(boxBottom, top + kSmallBlock);
                        const std::size_t corner =
                            static_cast<std::size_t>(top) * stride + static_cast<std::size_t>(left);
                        const std::uint64_t offered = DepthCell(key, id);
                        std::uint64_t* const block = cellPlane + corner;
                        unsigned mask = static_cast<unsigned>(entry.c);
                        if (mask == 0) [[unlikely]] {
                            continue;
                        }
                        // The first three pixels are offered without a branch on how many there
                        // are, which is hard to predict: a missing one offers the first again,
                        // which the triangle holds already by then. Any more follow in a loop.
                        const int firstCell = std::countr_zero(mask);
                        for (int slot = 0; slot < 3; ++slot) {
                            const int cell = mask != 0 ? std::countr_zero(mask) : firstCell;
                            pen.pen.TestPixel(block, blockOffsets[static_cast<std::size_t>(cell)], offered);
                            mask &= mask - 1;
                        }
                        for (; mask != 0; mask &= mask - 1) {
                            pen.pen.TestPixel(block,
                                              blockOffsets[static_cast<std::size_t>(std::countr_zero(mask))],
                                              offered);
                        }
                        continue;
                    }
                    if (kind != kSkip) {
                        if (kind == kSmall) {
                            box.Include(std::max(left, 0), std::max(top, 0),
                                        std::min(left + kSmallBlock, m_imageSize),
                                        std::min(top + kSmallBlock, m_imageSize));
                        } else if (kind == kDraw) {
                            // Nothing of a triangle is drawn outside the box of its corners.
                            const PixelPoint pa = UnpackPixel(entry.a);
                            const PixelPoint pb = UnpackPixel(entry.b);
                            const PixelPoint pc = UnpackPixel(entry.c);
                            box.Include(std::max(std::min({pa.x, pb.x, pc.x}), 0),
                                        std::max(std::min({pa.y, pb.y, pc.y}), 0),
                                        std::min(std::max({pa.x, pb.x, pc.x}) + 1, m_imageSize),
                                        std::min(std::max({pa.y, pb.y, pc.y}) + 1, m_imageSize));
                        } else {
                            box.Include(0, 0, m_imageSize, m_imageSize);
                        }
                        pen.pen.Take(key, id);
                        DrawSolidEntry(scene, entry, &t, pen, wholeImage);
                    }
                }
            }
        }
        layer.tieCount = pen.pen.tieCount;
        layer.tiesOverflowed = pen.pen.tiesOverflowed;
        layer.finite = finite;
        box.Include(boxLeft, boxTop, boxRight, boxBottom);
        layer.box = box;
    };
    workers.Run(draw);
    for (int l = 0; l < layerCount; ++l) {
        if (!m_layers[static_cast<std::size_t>(l)].finite) {
            return false;
        }
    }
    SDepthLayer& merged = m_layers[0];
    SPixelBox all = merged.box;
    for (int l = 1; l < layerCount; ++l) {
        const SPixelBox& box = m_layers[static_cast<std::size_t>(l)].box;
        all.Include(box.left, box.top, box.right, box.bottom);
    }
    auto merge = [&](int part) {
        const CRasterClip band = BandOf(m_imageSize, part, parts);
        SMergeTies& room = m_mergeTies[static_cast<std::size_t>(part)];
        std::uint64_t* const mergedPlane = merged.cells.data();
        CDepthPen pen = penOn(mergedPlane, room.ties.data(), room.ties.size());
        for (int l = 1; l < layerCount; ++l) {
            SDepthLayer& layer = m_layers[static_cast<std::size_t>(l)];
            const SPixelBox& box = layer.box;
            // Each pixel read is left as a fresh layer has it, for the next frame.
            for (int y = std::max(band.rowBegin, box.top); y < std::min(band.rowEnd, box.bottom); ++y) {
                const std::size_t row = static_cast<std::size_t>(y) * stride;
                for (std::size_t p = row + static_cast<std::size_t>(box.left);
                     p < row + static_cast<std::size_t>(box.right); ++p) {
                    const std::uint64_t cell = layer.cells[p];
                    if (cell != 0) {
                        pen.TestPixel(mergedPlane, static_cast<std::int64_t>(p), cell);
                        layer.cells[p] = 0;
                    }
                }
            }
        }
        room.tieCount = pen.tieCount;
        room.tiesOverflowed = pen.tiesOverflowed;
        // Bands may mark one triangle at the same time; they all write the same value.
        for (int y = std::max(band.rowBegin, all.top); y < std::min(band.rowEnd, all.bottom); ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * stride;
            for (std::size_t p = row + static_cast<std::size_t>(all.left);
                 p < row + static_cast<std::size_t>(all.right); ++p) {
                const std::uint32_t mark = DepthCellMark(merged.cells[p]);
                if (mark != 0) {
                    std::atomic_ref<std::uint8_t>(m_shown[mark - 1]).store(1, std::memory_order_relaxed);
                }
            }
        }
    };
    workers.Run(merge);
    for (int l = 1; l < layerCount; ++l) {
        m_layers[static_cast<std::size_t>(l)].clearPixels = pixelCount;
    }
    // The shown triangles are spread unevenly over the numbers, so chunks are taken in turn.
    ResizeForOverwrite(m_colourByTriangle, n);
    m_bColoursValid = false;
    const CLightingSettings& lighting = *scene.lighting;
    constexpr std::size_t kShadeChunk = std::size_t{1} << 14;
    std::atomic<std::size_t> nextChunk{0};
    auto shade = [&](int /*part*/) {
        for (;;) {
            const std::size_t first = nextChunk.fetch_add(1, std::memory_order_relaxed) * kShadeChunk;
            if (first >= n) {
                return;
            }
            const std::size_t last = std::min(n, first + kShadeChunk);
            // Shown triangles are shaded in pairs as they are met.
            std::size_t waiting = last;
            const auto meet = [&](std::size_t k) {
                if (waiting == last) {
                    waiting = k;
                } else {
                    FaceColours(triangles[waiting], triangles[k], vertices, eye, lighting,
                                m_colourByTriangle[waiting], m_colourByTriangle[k]);
                    waiting = last;
                }
            };
            // The marks are read eight at a time, a mark being 1, so that the many triangles
            // not shown cost no branch of their own.
            std::uint8_t* const shown = m_shown.data();
            std::size_t k = first;
            for (; k + 8 <= last; k += 8) {
                std::uint64_t marks = 0;
                std::memcpy(&marks, shown + k, sizeof marks);
                if (marks == 0) {
                    continue;
                }
                std::memset(shown + k, 0, sizeof marks);
                for (; marks != 0; marks &= marks - 1) {
                    meet(k + static_cast<std::size_t>(std::countr_zero(marks)) / 8);
                }
            }
            for (; k < last; ++k) {
                if (shown[k] != 0) {
                    shown[k] = 0;
                    meet(k);
                }
            }
            if (waiting != last) {
                m_colourByTriangle[waiting] = FaceColour(triangles[waiting], vertices, eye, lighting);
            }
        }
    };
    workers.Run(shade);
    // A tie matters only between triangles of different colours.
    const auto tiesAgree = [&](const CDepthTie* ties, std::size_t count, bool overflowed) {
        if (overflowed) {
            return false;
        }
        for (std::size_t t = 0; t < count; ++t) {
            const std::uint32_t held = FaceColour(triangles[ties[t].held], vertices, eye, lighting);
            const std::uint32_t offered = FaceColour(triangles[ties[t].offered], vertices, eye, lighting);
            if (((held ^ offered) & kColourBits) != 0) {
                return false;
            }
        }
        return true;
    };
    m_bDepthTestMetTies = false;
    for (int l = 0; l < layerCount; ++l) {
        const SDepthLayer& layer = m_layers[static_cast<std::size_t>(l)];
        if (!tiesAgree(layer.ties.data(), layer.tieCount, layer.tiesOverflowed)) {
            return false;
        }
        m_bDepthTestMetTies = m_bDepthTestMetTies || layer.tieCount > 0;
    }
    for (const SMergeTies& room : m_mergeTies) {
        if (!tiesAgree(room.ties.data(), room.tieCount, room.tiesOverflowed)) {
            return false;
        }
        m_bDepthTestMetTies = m_bDepthTestMetTies || room.tieCount > 0;
    }
    std::uint32_t* pixels = image.Data();
    auto resolve = [&](int part) {
        const CRasterClip band = BandOf(m_imageSize, part, parts);
        for (int y = band.rowBegin; y < band.rowEnd; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * stride;
            if (y < all.top || y >= all.bottom) {
                std::fill(pixels + row, pixels + row + stride, background);
                continue;
            }
            std::fill(pixels + row, pixels + row + static_cast<std::size_t>(all.left), background);
            std::fill(pixels + row + static_cast<std::size_t>(all.right), pixels + row + stride, background);
            for (std::size_t p = row + static_cast<std::size_t>(all.left);
                 p < row + static_cast<std::size_t>(all.right); ++p) {
                const std::uint32_t mark = DepthCellMark(merged.cells[p]);
                if (mark == 0) {
                    pixels[p] = background;
                } else {
                    pixels[p] = (m_colourByTriangle[mark - 1] & kColourBits) | ~kColourBits;
                    merged.cells[p] = 0;
                }
            }
        }
    };
    workers.Run(resolve);
    merged.clearPixels = pixelCount;
    return true;
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

// Draws one triangle entry with the pen (kSkip aside): `t` is the triangle it was made from, needed
// by the kinds that keep its number. A triangle with a corner outside the drawn region is cut to it
// and drawn as a fan of triangles.
template <typename Pen>
void CSceneRenderer::DrawSolidEntry(const SceneInput& scene, const SolidEntry& entry, const CTriangle* t,
                                    Pen& pen, const CRasterClip& band) const {
    const std::uint32_t kind = entry.colourKind >> kKindShift;
    if (kind == kSmall) {
        const int left = entry.a;
        const int top = entry.b;
        if (top + kSmallBlock <= band.rowBegin || top >= band.rowEnd) {
            return;
        }
        const std::size_t stride = static_cast<std::size_t>(m_imageSize);
        for (unsigned mask = static_cast<unsigned>(entry.c); mask != 0; mask &= mask - 1) {
            const int cell = std::countr_zero(mask);
            const int x = left + cell % kSmallBlock;
            const int y = top + cell / kSmallBlock;
            if (y >= band.rowBegin && y < band.rowEnd && x >= 0 && x < m_imageSize) {
                pen.Plot(static_cast<std::int64_t>(static_cast<std::size_t>(y) * stride +
                                                   static_cast<std::size_t>(x)));
            }
        }
        return;
    }
    if (kind == kDraw) {
        const PixelPoint pa = UnpackPixel(entry.a);
        const PixelPoint pb = UnpackPixel(entry.b);
        const PixelPoint pc = UnpackPixel(entry.c);
        if (RowsMeetBand(pa.y, pb.y, pc.y, band)) {
            pen.Triangle(pa, pb, pc, band);
        }
        return;
    }
    const std::size_t corners[3] = {static_cast<std::size_t>(t->m_nV1), static_cast<std::size_t>(t->m_nV2),
                                    static_cast<std::size_t>(t->m_nV3)};
    if (kind == kDrawFar) {
        const PixelPoint pa = m_vertexPixels[corners[0]];
        const PixelPoint pb = m_vertexPixels[corners[1]];
        const PixelPoint pc = m_vertexPixels[corners[2]];
        if (RowsMeetBand(pa.y, pb.y, pc.y, band)) {
            pen.Triangle(pa, pb, pc, band);
        }
        return;
    }
    const std::vector<CVector3D>& vertices = scene.document->m_vertices;
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
        pen.Triangle(points[0], points[k], points[k + 1], band);
    }
}

// The triangles farthest first, each filled with its outline in its own colour.
void CSceneRenderer::DrawSolidBand(const SceneInput& scene, CImage& image, const CRasterClip& band) const {
    const std::size_t n = m_solid.size();
    SPaintPen pen{image};
    for (std::size_t i = 0; i < n; ++i) {
        const SolidEntry& entry = m_solid[i];
        const std::uint32_t kind = entry.colourKind >> kKindShift;
        if (kind == kSkip) {
            continue;
        }
        pen.colour = entry.colourKind | ~kColourBits;
        const CTriangle* t =
            kind == kDrawFar || kind == kCut ? &scene.triangles->GetTriangle(entry.a) : nullptr;
        DrawSolidEntry(scene, entry, t, pen, band);
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
