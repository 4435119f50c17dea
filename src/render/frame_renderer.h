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

class CFrameRenderer {
  public:
    // How many times each step has run since construction.
    struct Counts {
        std::uint64_t transforms = 0;
        std::uint64_t renders = 0;
    };

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
    // The triangles of the model with the painting order of the last solid-mode Transform.
    const CTessellatedMesh& GetMesh() const { return m_mesh; }
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

    // Threads used to draw (at least 1).
    void SetThreads(int count);
    int GetThreads() const { return m_workers->Count(); }

  private:
    const CQuorvaneDoc* m_pDocument = nullptr;
    CTessellatedMesh m_mesh;
    LargeArray<double> m_imageX;
    LargeArray<double> m_imageY;
    int m_edgeCount = 0;
    // Whether the coordinates come from a Transform of the current model.
    bool m_bProjected = false;
    bool m_bFreeSortMemory = false;
    // The settings' lighting with the light direction brought up to date, per Render.
    CLightingSettings m_lighting;
    CImage m_image;
    Counts m_counts;
    std::unique_ptr<CWorkerPool> m_workers;
    std::unique_ptr<CSceneRenderer> m_scene;
};

}  // namespace quorvane
