// The frame renderer: turns a document, a camera and the drawing settings into a square image,
// without any toolkit. It owns everything a picture is built from: the tessellated mesh, the
// projected coordinates of every vertex, the scene renderer and its threads, and the image. The
// interactive view drives it in two steps (project and sort, then draw) so that it can draw again
// without projecting; the command line draws with one call. Once sized for a model and an image,
// drawing allocates nothing, so one model can be drawn from many cameras in a row cheaply.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "model/document.h"
#include "model/tessellation.h"
#include "model/worker_pool.h"
#include "render/drawing_settings.h"
#include "render/raster.h"
#include "viewing/viewing_space.h"

namespace quorvane {

class CSceneRenderer;

// How the solid model is drawn. Both give the same pixels.
enum class SolidMethod {
    // Sorted farthest first on every Transform and painted in that order.
    kPainter,
    // Drawn by triangle number with a test of the distances, each pixel taking the nearest triangle.
    // Where only the painting order can decide a pixel (two triangles of different colours at the
    // same distance), the frame is sorted and painted after all. The sorts the frames would have
    // made are made when the order is next needed.
    kDepthTest,
};

class CFrameRenderer {
  public:
    // How many times each step has run since construction.
    struct Counts {
        std::uint64_t transforms = 0;
        std::uint64_t renders = 0;
        // Solid pictures finished with the depth test, and those it had to leave to painting.
        std::uint64_t depthTestedFrames = 0;
        std::uint64_t depthTestFallbacks = 0;
        // Sorts made to catch up with frames drawn without one, and how many of them replayed the
        // frames one by one because the latest alone did not decide the order.
        std::uint64_t catchUpSorts = 0;
        std::uint64_t replays = 0;
    };

    // How many frames drawn with the depth test may owe their sorts before they are made: at first,
    // and at most after the sorts made at the limit found every distance different again and again.
    static constexpr std::size_t kFirstOwedLimit = 8;
    static constexpr std::size_t kMaxOwedSorts = 128;

    // Draws on `threads` threads (at least 1); the pixels are the same for any count.
    explicit CFrameRenderer(int threads = CWorkerPool::DefaultThreadCount());
    ~CFrameRenderer();
    CFrameRenderer(const CFrameRenderer&) = delete;
    CFrameRenderer& operator=(const CFrameRenderer&) = delete;

    // ---- The model ----
    // Takes the document to draw as it now stands (not owned; null for none): sizes the projected
    // coordinates for its vertices and tessellates its polygons, the painting order being the
    // order the triangles were made in. Until the next Transform only the background is drawn.
    // Call it again after every load or New; in between, only vertex positions may change.
    void SetModel(const CQuorvaneDoc* document);
    // Vertex positions of the document changed: every triangle's centroid and normal follow.
    void RefreshGeometry();

    // ---- Drawing ----
    // Projects every vertex through `camera`; in solid mode also brings the triangles' distances
    // and directions to the eye up to date, sorts them farthest first (starting from the last
    // order, which decides among equal distances) and shades them for the settings' lighting.
    void Transform(const CViewingSpace& camera, const DrawingSettings& settings);
    // Draws the image of side `imageSize` from the last Transform: the background, the model in
    // the settings' mode, then the selection marker. The light direction follows `camera`, which
    // may have turned since the Transform. With no model, or a camera without a usable basis at the
    // Transform, the image shows the background alone. The image stays valid until the next call.
    const CImage& Render(const CViewingSpace& camera, const DrawingSettings& settings, int imageSize);
    // One picture for one camera: the painting order set back as SetModel leaves it, then
    // Transform and Render. The picture does not depend on what was drawn before, so several
    // views of one model each look as if drawn alone.
    const CImage& RenderFrame(const CViewingSpace& camera, const DrawingSettings& settings, int imageSize);

    // ---- What the steps left ----
    const CImage& GetImage() const { return m_image; }
    const CQuorvaneDoc* GetModel() const { return m_pDocument; }
    // The triangles of the model with the painting order of the last solid-mode Transform, made
    // first if it is owed.
    const CTessellatedMesh& GetMesh() const;
    // Makes the sorts owed by frames drawn with the depth test. They depend on the vertex positions
    // those frames were drawn with, so call it before moving a vertex.
    void SettleOrder() const;
    // Normalised image coordinates of every vertex from the last Transform.
    std::span<const double> GetImageX() const { return m_imageX; }
    std::span<const double> GetImageY() const { return m_imageY; }
    // The distinct edges the wireframe draws: the document's count when SetModel took it.
    int GetEdgeCount() const { return m_edgeCount; }
    // Whether the camera of the last Transform had no usable basis.
    bool IsProjectedCameraDegenerate() const;
    Counts GetCounts() const { return m_counts; }

    // Whether the depth sort's working memory (32 bytes a triangle) is freed after every sort
    // instead of being kept for the next: for a single picture of a large model, which then draws
    // without it. Off by default, as frames in a row reuse it.
    void SetFreeSortMemory(bool free) { m_bFreeSortMemory = free; }

    // How solid frames are drawn; kDepthTest unless set.
    void SetSolidMethod(SolidMethod method);
    SolidMethod GetSolidMethod() const { return m_solidMethod; }

    // Threads used to draw (at least 1).
    void SetThreads(int count);
    int GetThreads() const { return m_workers->Count(); }

  private:
    // Distances and sort of the mesh for `eye`, on the worker threads.
    void SortFor(const CVector3D& eye) const;

    const CQuorvaneDoc* m_pDocument = nullptr;
    // Mutable so that the owed order can be made when it is asked for.
    mutable CTessellatedMesh m_mesh;
    // The eyes of the solid frames since the mesh's order was last sorted, oldest first: the order
    // owed is the one their sorts would make one after the other.
    mutable std::vector<CVector3D> m_owedEyes;
    // The order before the owed sorts, kept while they are made.
    mutable std::vector<int> m_savedOrder;
    mutable std::size_t m_owedLimit = kFirstOwedLimit;
    SolidMethod m_solidMethod = SolidMethod::kDepthTest;
    // Whether the last Transform left the picture to the depth test.
    bool m_bDepthTestFrame = false;
    // Set when a sort found equal distances: the frames that follow are likely to meet them too,
    // so they are sorted as they come until a sort finds every distance different.
    mutable bool m_bSortEveryFrame = false;
    LargeArray<double> m_imageX;
    LargeArray<double> m_imageY;
    int m_edgeCount = 0;
    // Whether the coordinates come from a Transform of the current model.
    bool m_bProjected = false;
    bool m_bFreeSortMemory = false;
    // The settings' lighting with the light direction brought up to date, per Render.
    CLightingSettings m_lighting;
    CImage m_image;
    mutable Counts m_counts;
    std::unique_ptr<CWorkerPool> m_workers;
    std::unique_ptr<CSceneRenderer> m_scene;
};

}  // namespace quorvane
