// The scene renderer: projects the document's vertices through the camera and draws the model into
// the square image in one of the three drawing modes, then the selection marker. Work is split over
// a pool of threads: per-vertex and per-triangle preparation by ranges, drawing by horizontal bands
// of rows, each band drawing every primitive in the same order clipped to its rows, so the pixels
// do not depend on the number of threads.
//
// Vertices at or behind the eye are handled soundly: every vertex gets its depth along the line of
// sight, and lines and triangles are cut at a near plane just in front of the eye; the cut ends are
// projected with the same formulas as vertices. Points and the marker of such vertices are not
// drawn. Vertices in front keep the exact pixel rules.
#pragma once

#include <cstdint>
#include <vector>

#include "model/document.h"
#include "model/pixel.h"
#include "model/tessellation.h"
#include "render/color.h"
#include "render/lighting.h"
#include "render/raster.h"
#include "render/renderer_workers.h"
#include "viewing/viewing_space.h"

namespace quorvane {

enum class DrawMode { kNone, kWireframe, kSolid, kPoints };

// The grey of the selection marker's top and left sides and the white of its bottom and right.
inline constexpr COLORREF kMarkerTopLeftColor = RGB(170, 170, 170);
inline constexpr COLORREF kMarkerBottomRightColor = RGB(255, 255, 255);

// Everything one frame is drawn from.
struct SceneInput {
    const CQuorvaneDoc* document = nullptr;
    const CTessellatedMesh* triangles = nullptr;
    const CLightingSettings* lighting = nullptr;  // light direction already brought up to date
    const double* imageX = nullptr;
    const double* imageY = nullptr;
    int vertexCount = 0;    // entries of imageX and imageY to use
    int edgeEndpoints = 0;  // edge ends to walk in wireframe mode
    DrawMode mode = DrawMode::kNone;
    COLORREF backgroundColor = RGB(0, 0, 0);
    int selectedVertex = -1;
};

class CSceneRenderer {
  public:
    // Where a vertex stands relative to the near plane of the last projection.
    enum VertexState : std::uint8_t { kInFront = 0, kBehind = 1, kInvalid = 2 };

    // Projects vertices 0 .. count - 1 into imageX and imageY (normalised image coordinates) and
    // records each one's depth state; remembers the camera for cutting primitives at the near plane.
    void Project(const CViewingSpace& camera, const std::vector<CVector3D>& vertices, int count,
                 double* imageX, double* imageY, CRenderWorkers& workers);

    // Brings the triangles' distances and directions to the eye up to date and sorts them for
    // painting (SortByDepth) while the other threads work out each triangle's colour for the light
    // brought up to date for `camera`; Render uses those colours as long as the lighting and the
    // triangles are the same.
    void SortAndShade(CTessellatedMesh& mesh, const CViewingSpace& camera, const CLightingSettings& lighting,
                      CRenderWorkers& workers);
    // The triangles' normals changed (a vertex moved) or they were made anew: colours are stale.
    void InvalidateColours() { m_bColoursValid = false; }

    // Draws the whole image from the last projection: background, the model in `scene.mode`, then
    // the selection marker. With a camera without a usable basis only the background is drawn.
    void Render(const SceneInput& scene, CImage& image, CRenderWorkers& workers);

    // Whether the camera of the last projection had no usable basis.
    bool ProjectedCameraDegenerate() const { return m_bDegenerate; }
    // The eye depth below which vertices count as behind the eye.
    double NearDepth() const { return m_nearDepth; }
    // The depth state of vertex i from the last projection (kInvalid beyond its count).
    VertexState GetVertexState(int i) const;

  private:
    // One triangle in drawing order: its corner pixels (for kSmall the block's top-left pixel and,
    // in corners[1].x, the mask of its pixels in the block), its colour and how to draw it.
    struct SolidEntry {
        PixelPoint corners[3];
        std::uint32_t colour;
        std::int32_t kind;  // kDraw, kSmall, kCut or kSkip
    };
    static constexpr std::int32_t kDraw = 0;   // a whole triangle in front of the eye
    static constexpr std::int32_t kSmall = 1;  // one whose corners lie in a 4 x 4 block of pixels
    static constexpr std::int32_t kCut = 2;    // one with a corner behind the eye
    static constexpr std::int32_t kSkip = 3;   // nothing to draw

    void PreparePixels(const SceneInput& scene, int count, bool linePixels, CRenderWorkers& workers);
    void ShadeRange(const CTessellatedMesh& mesh, const CLightingSettings& lighting, const CVector3D* eye,
                    std::size_t first, std::size_t last);
    void PrepareSolid(const SceneInput& scene, int count, CRenderWorkers& workers);
    void DrawWireframeBand(const SceneInput& scene, int count, CImage& image, const CRasterClip& band) const;
    void DrawSolidBand(const SceneInput& scene, CImage& image, const CRasterClip& band) const;
    void DrawPointsBand(const SceneInput& scene, int count, CImage& image, const CRasterClip& band) const;
    void DrawMarker(const SceneInput& scene, int count, CImage& image) const;

    CViewingSpace m_camera;
    double m_nearDepth = 0.0;
    bool m_bDegenerate = false;
    int m_imageSize = 0;
    // Depth state of each vertex from the last projection.
    std::vector<std::uint8_t> m_vertexState;
    // Per frame: the state used for drawing and each vertex's pixel by the mode's rule.
    std::vector<std::uint8_t> m_drawState;
    std::vector<PixelPoint> m_vertexPixels;
    std::vector<SolidEntry> m_solid;
    // Colour of each triangle by its number, valid for m_colourLighting and m_colourTriangles.
    std::vector<std::uint32_t> m_colourByTriangle;
    CLightingSettings m_colourLighting;
    int m_colourTriangles = 0;
    bool m_bColoursValid = false;
};

}  // namespace quorvane
