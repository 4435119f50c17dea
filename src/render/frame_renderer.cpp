#include "render/frame_renderer.h"

#include <algorithm>
#include <cassert>

#include "render/renderer.h"

namespace quorvane {

namespace {

const std::vector<CVector3D> kNoVertices;
const CPolygonArray kNoPolygons;

}  // namespace

CFrameRenderer::CFrameRenderer(int threads)
    : m_workers(std::make_unique<CWorkerPool>(std::max(threads, 1))),
      m_scene(std::make_unique<CSceneRenderer>()) {
    m_mesh.SetVertexArray(&kNoVertices);
}

CFrameRenderer::~CFrameRenderer() = default;

void CFrameRenderer::SetModel(const CQuorvaneDoc* document) {
    m_pDocument = document;
    std::size_t vertices = 0;
    if (document != nullptr) {
        // Drawing indexes the arrays by the document's counts and indices without checking them.
        assert(document->CheckConsistency());
        vertices = static_cast<std::size_t>(document->m_nVertices);
    }
    // Written by every Transform before they are read.
    ResizeForOverwrite(m_imageX, vertices);
    ResizeForOverwrite(m_imageY, vertices);
    m_edgeCount = document != nullptr ? document->m_nUniqueEdges : 0;
    m_mesh.SetVertexArray(document != nullptr ? &document->m_vertices : &kNoVertices);
    m_mesh.Tessellate(document != nullptr ? document->m_polygons : kNoPolygons);
    m_scene->InvalidateColours();
    m_bProjected = false;
}

void CFrameRenderer::RefreshGeometry() {
    m_mesh.RefreshGeometry();
    m_scene->InvalidateColours();
}

void CFrameRenderer::Transform(const CViewingSpace& camera, const DrawingSettings& settings) {
    ++m_counts.transforms;
    const CVector3D* vertices = m_pDocument != nullptr ? m_pDocument->m_vertices.data() : nullptr;
    m_scene->Project(camera, vertices, static_cast<int>(m_imageX.size()), m_imageX.data(), m_imageY.data(),
                     *m_workers);
    if (settings.mode == DrawingMode::kSolid) {
        m_scene->SortAndShade(m_mesh, camera, settings.lighting, *m_workers);
        if (m_bFreeSortMemory) {
            m_mesh.FreeSortMemory();
        }
    }
    m_bProjected = true;
}

const CImage& CFrameRenderer::Render(const CViewingSpace& camera, const DrawingSettings& settings,
                                     int imageSize) {
    ++m_counts.renders;
    m_image.Resize(imageSize);
    m_lighting = settings.lighting;
    if (settings.mode == DrawingMode::kSolid && !m_scene->ProjectedCameraDegenerate()) {
        m_lighting.UpdateLightDirection(camera);
    }
    SceneInput scene;
    scene.document = m_pDocument;
    scene.triangles = &m_mesh;
    scene.imageX = m_imageX.data();
    scene.imageY = m_imageY.data();
    scene.vertexCount = m_bProjected && m_pDocument != nullptr ? static_cast<int>(m_imageX.size()) : 0;
    scene.edgeCount = m_edgeCount;
    scene.settings = &settings;
    scene.lighting = &m_lighting;
    m_scene->Render(scene, m_image, *m_workers);
    return m_image;
}

const CImage& CFrameRenderer::RenderFrame(const CViewingSpace& camera, const DrawingSettings& settings,
                                          int imageSize) {
    m_mesh.ResetOrder();
    Transform(camera, settings);
    return Render(camera, settings, imageSize);
}

bool CFrameRenderer::IsProjectedCameraDegenerate() const {
    return m_scene->ProjectedCameraDegenerate();
}

void CFrameRenderer::SetThreads(int count) {
    m_workers = std::make_unique<CWorkerPool>(std::max(count, 1));
}

}  // namespace quorvane
