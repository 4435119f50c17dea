// The scene renderer: projects the document's vertices through the camera and draws the model into
// the square image in one of the three drawing modes, then the selection marker. Work is split over
// a pool of threads: per-vertex and per-triangle preparation by ranges, drawing by horizontal bands
// of rows, each band drawing every primitive in the same order clipped to its rows, so the pixels
// do not depend on the number of threads.
//
// Vertices are drawn with the exact pixel rules wherever their pixel positions lie within
// kProjectionLimit (render/clip.h) of the image, however near the eye they are. Lines and
// triangles with a vertex at or behind the eye, or projecting farther out, are cut to the pyramid
// of the eye space that projects within that limit, and the points the cut makes are projected
// with the same formulas as vertices. Points and the marker of such vertices are not drawn.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/document.h"
#include "model/tessellation.h"
#include "model/worker_pool.h"
#include "render/clip.h"
#include "render/color.h"
#include "render/drawing_settings.h"
#include "render/lighting.h"
#include "render/raster.h"
#include "viewing/pixel.h"
#include "viewing/viewing_space.h"

namespace quorvane {

// Everything one frame is drawn from. The document's edges, the mesh's triangles and the projected
// coordinates agree with each other (indices below vertexCount), as a loaded document guarantees.
struct SceneInput {
    const CQuorvaneDoc* document = nullptr;
    const CTessellatedMesh* triangles = nullptr;
    const double* imageX = nullptr;
    const double* imageY = nullptr;
    int vertexCount = 0;  // vertices projected by the last Project, 0 to draw the background alone
    int edgeCount = 0;    // distinct edges of the document drawn in wireframe mode
    const DrawingSettings* settings = nullptr;
    const CLightingSettings* lighting = nullptr;  // the settings' lighting, light direction up to date
    // Solid triangles drawn by number with a test of their distances instead of in painting order.
    bool depthTest = false;
};

class CSceneRenderer {
  public:
    // Projects vertices 0 .. count - 1 into imageX and imageY (normalised image coordinates) and
    // records which of them are at or behind the eye; remembers the camera for cutting primitives.
    // With an image size, also makes the vertices' pixels for an image of that side by the line
    // rule or the solid one, which a Render of that size and kind then takes as they are.
    void Project(const CViewingSpace& camera, const CVector3D* vertices, int count, double* imageX,
                 double* imageY, CWorkerPool& workers, int imageSize = 0, bool linePixels = false);

    // Brings the triangles' distances and directions to the eye up to date and sorts them for
    // painting (SortByDepth) while the other threads work out each triangle's colour for the light
    // brought up to date for `camera`; Render uses those colours as long as the lighting and the
    // triangles are the same.
    void SortAndShade(CTessellatedMesh& mesh, const CViewingSpace& camera, const CLightingSettings& lighting,
                      CWorkerPool& workers);
    // The triangles' normals changed (a vertex moved) or they were made anew: colours are stale.
    void InvalidateColours() { m_bColoursValid = false; }

    // Draws the whole image from the last projection: background, the model in the settings'
    // mode, then the selection marker. With a camera without a usable basis only the background
    // is drawn. With the depth test each pixel of the solid model shows the nearest triangle, which
    // is what painting farthest first gives unless two triangles of different colours at the same
    // distance meet at a pixel: then only the painting order decides, and Render returns false
    // with the picture unfinished. Otherwise it returns true.
    bool Render(const SceneInput& scene, CImage& image, CWorkerPool& workers);

    // Whether the camera of the last projection had no usable basis.
    bool ProjectedCameraDegenerate() const { return m_bDegenerate; }
    // Whether the last picture finished with the depth test had triangles of one colour meet at a
    // pixel at the same distance: the distances are not all different.
    bool DepthTestMetTies() const { return m_bDepthTestMetTies; }

    // How many depth layers (images of depth cells, 8 bytes a pixel) the depth test
    // draws an image of side `imageSize` into with `threads` threads: one a thread, as many as
    // kDepthPixelBudget allows; 0 when the image is too large for the test, which then fails.
    static constexpr std::int64_t kDepthPixelBudget = std::int64_t{1} << 23;
    static int DepthLayers(int imageSize, int threads);

  private:
    // Where a vertex stands for drawing: 0 when it is drawn with its own pixel, otherwise the
    // sides of the drawn region it lies beyond (in front of the eye), kBehind (at or behind the
    // eye) or kInvalid (eye coordinates that are not all finite).
    static constexpr std::uint8_t kInFront = 0;
    static constexpr std::uint8_t kRight = 1;
    static constexpr std::uint8_t kLeft = 2;
    static constexpr std::uint8_t kTop = 4;
    static constexpr std::uint8_t kBottom = 8;
    static constexpr std::uint8_t kBehind = 16;
    static constexpr std::uint8_t kInvalid = 32;

    // One triangle in drawing order, 16 bytes. A pixel's alpha byte is always opaque, so the
    // colour's holds how to draw it (from bit kKindShift); the rest says where. kSmall: (a, b) the
    // block's top-left pixel, c the mask of its pixels in the block. kDraw: the three corners' pixels
    // in a, b and c, x and y in 16 bits each. kDrawFar, a corner beyond 16 bits, and kCut: a is the
    // triangle's number, its corners looked up when it is drawn.
    struct SolidEntry {
        std::uint32_t colourKind;
        std::int32_t a;
        std::int32_t b;
        std::int32_t c;
    };
    static constexpr std::uint32_t kDraw = 0;     // a whole triangle with its corners' own pixels
    static constexpr std::uint32_t kSmall = 1;    // one whose corners lie in a 4 x 4 block of pixels
    static constexpr std::uint32_t kCut = 2;      // one with a corner outside the drawn region
    static constexpr std::uint32_t kSkip = 3;     // nothing to draw
    static constexpr std::uint32_t kDrawFar = 4;  // kDraw with a corner beyond 16 bits
    static constexpr int kKindShift = 24;

    void PreparePixels(const SceneInput& scene, bool linePixels, CWorkerPool& workers);
    void PrepareVertices(const double* imageX, const double* imageY, std::size_t first, std::size_t last,
                         int size, bool linePixels);
    void ShadeRange(const CTessellatedMesh& mesh, const CLightingSettings& lighting, std::size_t first,
                    std::size_t last);
    void PrepareSolid(const SceneInput& scene, CWorkerPool& workers);
    PixelPoint CutPixel(const ClipVertex& vertex, bool linePixel) const;
    void DrawWireframeBand(const SceneInput& scene, CImage& image, const CRasterClip& band) const;
    // `smallMasks` is the table of the pixels of small triangles, fetched once by the caller.
    SolidEntry ClassifyTriangle(const CTriangle& t, std::size_t number, std::uint32_t colour,
                                const std::uint16_t* smallMasks) const;
    template <typename Pen>
    void DrawSolidEntry(const SceneInput& scene, const SolidEntry& entry, const CTriangle* t, Pen& pen,
                        const CRasterClip& band) const;
    void DrawSolidBand(const SceneInput& scene, CImage& image, const CRasterClip& band) const;
    bool DrawDepthTested(const SceneInput& scene, CImage& image, std::uint32_t background,
                         CWorkerPool& workers);
    void DrawPointsBand(const SceneInput& scene, CImage& image, const CRasterClip& band) const;
    void DrawMarker(const SceneInput& scene, CImage& image) const;

    CViewingSpace m_camera;
    bool m_bDegenerate = false;
    bool m_bDepthTestMetTies = false;
    int m_imageSize = 0;
    CProjectionRegion m_region{0, 1.0};
    // kInvalid, kBehind or 0 for each vertex from the last projection.
    LargeArray<EyeSide> m_vertexSide;
    // Per frame: the state used for drawing and each vertex's pixel by the mode's rule.
    LargeArray<std::uint8_t> m_drawState;
    LargeArray<PixelPoint> m_vertexPixels;
    // The image side and the rule the pixels were made for since the last projection; -1 for none.
    int m_pixelsSize = -1;
    bool m_bPixelsForLines = false;
    LargeArray<SolidEntry> m_solid;
    // For the depth test: per layer the distance and the number plus one of the triangle each pixel
    // shows (0 for none: see CDepthPen) and room for the ties met; room for the ties of merging each
    // band; whether each triangle is shown (all 0 between frames).
    static constexpr std::size_t kTieRoom = 256;
    // The triangles whose distances are worked out at a time; the runs dealt to the layers are
    // whole numbers of them, about kRunsPerLayer for each layer.
    static constexpr std::size_t kDistanceRun = 512;
    static constexpr std::size_t kRunsPerLayer = 8;
    static std::size_t DepthRun(std::size_t triangles, int layers);
    // Columns [left, right) of rows [top, bottom); empty when left >= right or top >= bottom.
    struct SPixelBox {
        int left;
        int top;
        int right;
        int bottom;

        // Grows the box to take in a non-empty other one.
        void Include(int otherLeft, int otherTop, int otherRight, int otherBottom) {
            if (otherLeft >= otherRight || otherTop >= otherBottom) {
                return;
            }
            left = left < otherLeft ? left : otherLeft;
            top = top < otherTop ? top : otherTop;
            right = right > otherRight ? right : otherRight;
            bottom = bottom > otherBottom ? bottom : otherBottom;
        }
    };
    struct SDepthLayer {
        // The pixel count for which the plane is all zero bytes; 0 when not.
        std::size_t clearPixels = 0;
        ZeroedArray<std::uint64_t> cells;
        std::array<CDepthTie, kTieRoom> ties;
        std::size_t tieCount = 0;
        bool tiesOverflowed = false;
        bool finite = true;
        // The pixels the last frame's triangles may have set.
        SPixelBox box{0, 0, 0, 0};
    };
    struct SMergeTies {
        std::array<CDepthTie, kTieRoom> ties;
        std::size_t tieCount = 0;
        bool tiesOverflowed = false;
    };
    std::vector<SDepthLayer> m_layers;
    std::vector<SMergeTies> m_mergeTies;
    LargeArray<std::uint8_t> m_shown;
    // Colour of each triangle by its number, valid for m_colourLighting and m_colourTriangles.
    LargeArray<std::uint32_t> m_colourByTriangle;
    CLightingSettings m_colourLighting;
    int m_colourTriangles = 0;
    bool m_bColoursValid = false;
};

}  // namespace quorvane
