#include "render/view.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <span>

#include "editing/editing.h"
#include "render/renderer.h"
#include "render/renderer_workers.h"
#include "viewing/default_view.h"
#include "viewing/mouse.h"

namespace quorvane {

namespace {

// a - b for client coordinates, kept inside int.
int ClampedDifference(int a, int b) {
    const std::int64_t d = std::int64_t{a} - std::int64_t{b};
    return static_cast<int>(std::clamp<std::int64_t>(d, INT_MIN, INT_MAX));
}

}  // namespace

CQuorvaneView::CQuorvaneView(CQuorvaneDoc* document)
    : m_pDocument(document),
      m_workers(std::make_unique<CRenderWorkers>(CRenderWorkers::DefaultThreadCount())),
      m_renderer(std::make_unique<CSceneRenderer>()) {}

CQuorvaneView::~CQuorvaneView() = default;

int CQuorvaneView::ProjectedVertexCount() const {
    if (m_pDocument == nullptr) {
        return 0;
    }
    const std::size_t n = std::min({static_cast<std::size_t>(std::max(m_pDocument->m_nVertices, 0)),
                                    m_pDocument->m_vertices.size(), m_imageX.size(), m_imageY.size()});
    return static_cast<int>(n);
}

// Resets the modes and the selection, sizes the coordinate arrays, tessellates, frames the model
// and draws it; the whole window is repainted, strips included.
Repaint CQuorvaneView::OnUpdate() {
    m_bViewingMode = true;
    m_bEditingMode = false;
    m_bLeftButtonDown = false;
    m_bRightButtonDown = false;
    m_selectedVertex = -1;
    if (m_pDocument != nullptr) {
        const CQuorvaneDoc& doc = *m_pDocument;
        m_edgeEndpointCount =
            static_cast<int>(std::min<std::int64_t>(2 * std::int64_t{doc.m_nUniqueEdges}, INT_MAX));
        const std::size_t n = static_cast<std::size_t>(std::max(doc.m_nVertices, 0));
        m_imageX.resize(n, 0.0);
        m_imageY.resize(n, 0.0);
        m_triangles.SetVertexArray(&doc.m_vertices);
        m_triangles.SetProjectedArrays(&m_imageX, &m_imageY);
        m_triangles.Tessellate(doc.m_polygons);
        m_renderer->InvalidateColours();
    }
    SetDefaultView();
    TransformModel();
    RenderModel();
    return Repaint::kWindow;
}

// Projects the vertices through the camera; in solid mode also re-sorts the triangles.
void CQuorvaneView::TransformModel() {
    static const std::vector<CVector3D> kNoVertices;
    const std::vector<CVector3D>& vertices = m_pDocument != nullptr ? m_pDocument->m_vertices : kNoVertices;
    m_renderer->Project(m_viewingSpace, vertices, ProjectedVertexCount(), m_imageX.data(), m_imageY.data(),
                        *m_workers);
    if (m_bSolid) {
        m_renderer->SortAndShade(m_triangles, m_viewingSpace, m_lighting, *m_workers);
    }
}

// Draws the image in the first drawing mode that is set (wireframe, solid, points).
void CQuorvaneView::RenderModel() {
    m_image.Resize(m_imageSize);
    DrawMode mode = DrawMode::kNone;
    if (m_bWireframe) {
        mode = DrawMode::kWireframe;
    } else if (m_bSolid) {
        mode = DrawMode::kSolid;
        m_triangles.m_nImageSize = m_imageSize;
        if (!m_renderer->ProjectedCameraDegenerate()) {
            m_lighting.UpdateLightDirection(m_viewingSpace);
        }
    } else if (m_bPoints) {
        mode = DrawMode::kPoints;
    }
    SceneInput scene;
    scene.document = m_pDocument;
    scene.triangles = &m_triangles;
    scene.lighting = &m_lighting;
    scene.imageX = m_imageX.data();
    scene.imageY = m_imageY.data();
    scene.vertexCount = ProjectedVertexCount();
    scene.edgeEndpoints = m_edgeEndpointCount;
    scene.mode = mode;
    scene.backgroundColor = m_backgroundColor;
    scene.selectedVertex = m_selectedVertex;
    m_renderer->Render(scene, m_image, *m_workers);
}

// The image is the largest centred square; each halving drops its remainder before subtracting.
Repaint CQuorvaneView::OnSize(int clientWidth, int clientHeight) {
    const int right = std::max(clientWidth, 0);
    const int bottom = std::max(clientHeight, 0);
    if (right > bottom) {
        m_imageSize = bottom;
        m_imageTop = 0;
        m_imageLeft = right / 2 - bottom / 2;
    } else {
        m_imageSize = right;
        m_imageLeft = 0;
        m_imageTop = bottom / 2 - right / 2;
    }
    m_image.Resize(m_imageSize);
    RenderModel();
    return Repaint::kWindow;
}

Repaint CQuorvaneView::Refresh() {
    TransformModel();
    RenderModel();
    return Repaint::kImage;
}

Repaint CQuorvaneView::OnViewWireframe() {
    if (m_bWireframe) {
        return Repaint::kNone;
    }
    m_bWireframe = true;
    m_bSolid = false;
    m_bPoints = false;
    return Refresh();
}

Repaint CQuorvaneView::OnViewSolid() {
    if (m_bSolid) {
        return Repaint::kNone;
    }
    m_bWireframe = false;
    m_bSolid = true;
    m_bPoints = false;
    return Refresh();
}

Repaint CQuorvaneView::OnViewPoints() {
    if (m_bPoints) {
        return Repaint::kNone;
    }
    m_bWireframe = false;
    m_bSolid = false;
    m_bPoints = true;
    return Refresh();
}

Repaint CQuorvaneView::OnResetView() {
    SetDefaultView();
    return Refresh();
}

Repaint CQuorvaneView::OnViewingMode() {
    if (m_bViewingMode) {
        return Repaint::kNone;
    }
    m_bViewingMode = true;
    m_bEditingMode = false;
    m_bLeftButtonDown = false;
    m_bRightButtonDown = false;
    return Refresh();
}

Repaint CQuorvaneView::OnEditingMode() {
    if (m_bEditingMode) {
        return Repaint::kNone;
    }
    m_bEditingMode = true;
    m_bViewingMode = false;
    m_bLeftButtonDown = false;
    m_bRightButtonDown = false;
    return Refresh();
}

// No position changes, so the image is drawn again without projecting.
Repaint CQuorvaneView::SetBackgroundColor(COLORREF colour) {
    m_backgroundColor = colour;
    RenderModel();
    return Repaint::kImage;
}

Repaint CQuorvaneView::ApplyLighting(const CLightingSettings& settings) {
    m_lighting = settings;
    return Refresh();
}

Repaint CQuorvaneView::ApplyViewingParameters(const CVector3D& at, const CVector3D& from, const CVector3D& up,
                                              double angle) {
    m_viewingSpace.SetAtPoint(at);
    m_viewingSpace.SetFromPoint(from);
    m_viewingSpace.SetUpVector(up);
    m_viewingSpace.SetViewingAngle(angle);
    return Refresh();
}

void CQuorvaneView::SetDefaultView() {
    if (m_pDocument != nullptr) {
        quorvane::SetDefaultView(m_viewingSpace, *m_pDocument);
    } else {
        quorvane::SetDefaultView(m_viewingSpace, CQuorvaneDoc());
    }
}

Repaint CQuorvaneView::OnLButtonDown(int x, int y) {
    m_lastMouseX = x;
    m_lastMouseY = y;
    m_bLeftButtonDown = true;
    return Repaint::kNone;
}

Repaint CQuorvaneView::OnLButtonUp(int /*x*/, int /*y*/) {
    m_bLeftButtonDown = false;
    return Repaint::kNone;
}

Repaint CQuorvaneView::OnRButtonDown(int x, int y) {
    m_lastMouseX = x;
    m_lastMouseY = y;
    m_bRightButtonDown = true;
    return Repaint::kNone;
}

Repaint CQuorvaneView::OnRButtonUp(int /*x*/, int /*y*/) {
    m_bRightButtonDown = false;
    return Repaint::kNone;
}

// Viewing mode moves the camera, Editing mode the selected vertex; the position is always kept.
Repaint CQuorvaneView::OnMouseMove(int x, int y) {
    const int dx = ClampedDifference(x, m_lastMouseX);
    const int dy = ClampedDifference(y, m_lastMouseY);
    Repaint result = Repaint::kNone;
    if (m_bViewingMode) {
        const CameraMotion motion = MapViewingMouseMove(dx, dy, m_bLeftButtonDown, m_bRightButtonDown);
        if (motion.NeedsRefresh()) {
            ApplyCameraMotion(m_viewingSpace, motion);
            result = Refresh();
        }
    } else {
        result = DragSelectedVertex(dx, dy);
    }
    m_lastMouseX = x;
    m_lastMouseY = y;
    return result;
}

// Moves the selected vertex in the document, refreshes the triangles' geometry and redraws. A move
// that would leave a coordinate without a finite value is refused.
Repaint CQuorvaneView::DragSelectedVertex(int dx, int dy) {
    if (!m_bEditingMode || m_selectedVertex == -1 || m_pDocument == nullptr) {
        return Repaint::kNone;
    }
    if (m_selectedVertex < 0 ||
        static_cast<std::size_t>(m_selectedVertex) >= m_pDocument->m_vertices.size()) {
        return Repaint::kNone;
    }
    const std::optional<CVector3D> offset =
        ComputeDragOffset(m_viewingSpace, dx, dy, m_bLeftButtonDown, m_bRightButtonDown);
    if (!offset) {
        return Repaint::kNone;
    }
    if (!MoveVertex(m_pDocument->m_vertices[static_cast<std::size_t>(m_selectedVertex)], *offset)) {
        return Repaint::kNone;
    }
    m_pDocument->SetModifiedFlag();
    m_triangles.RefreshGeometry();
    m_renderer->InvalidateColours();
    return Refresh();
}

// A double-click clears the selection, or projects and selects the nearest vertex.
Repaint CQuorvaneView::OnLButtonDblClk(int x, int y) {
    if (m_selectedVertex != -1) {
        m_selectedVertex = -1;
        RenderModel();
        return Repaint::kImage;
    }
    const int px = ClampedDifference(x, m_imageLeft);
    const int py = ClampedDifference(y, m_imageTop);
    TransformModel();
    const std::size_t n = static_cast<std::size_t>(ProjectedVertexCount());
    m_selectedVertex = SelectNearestVertex(m_imageSize, px, py, std::span<const double>(m_imageX.data(), n),
                                           std::span<const double>(m_imageY.data(), n));
    RenderModel();
    return Repaint::kImage;
}

bool CQuorvaneView::IsCameraDegenerate() const {
    return m_viewingSpace.IsDegenerate();
}

ModelStatistics CQuorvaneView::GetStatistics() const {
    if (m_pDocument == nullptr) {
        return {};
    }
    return ComputeStatistics(*m_pDocument, m_triangles);
}

void CQuorvaneView::SetRenderThreads(int count) {
    m_workers = std::make_unique<CRenderWorkers>(std::max(count, 1));
}

int CQuorvaneView::GetRenderThreads() const {
    return m_workers->Count();
}

}  // namespace quorvane
