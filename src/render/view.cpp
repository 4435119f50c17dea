#include "render/view.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>

#include "editing/editing.h"
#include "viewing/default_view.h"
#include "viewing/mouse.h"

namespace quorvane {

namespace {

// a - b for client coordinates, kept inside int.
int ClampedDifference(int a, int b) {
    const std::int64_t d = std::int64_t{a} - std::int64_t{b};
    return static_cast<int>(std::clamp<std::int64_t>(d, INT_MIN, INT_MAX));
}

// Whether two points hold the same bits (a point with a NaN equals itself here).
bool SameBits(const CVector3D& a, const CVector3D& b) {
    return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
           std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y) &&
           std::bit_cast<std::uint64_t>(a.z) == std::bit_cast<std::uint64_t>(b.z);
}

}  // namespace

CQuorvaneView::CQuorvaneView(CQuorvaneDoc* document) : m_pDocument(document) {}

DrawingSettings CQuorvaneView::GetDrawingSettings() const {
    DrawingSettings settings;
    settings.mode = m_drawingMode;
    settings.backgroundColor = m_backgroundColor;
    settings.lighting = m_lighting;
    settings.selectedVertex = m_selectedVertex;
    settings.markerScale = m_devicePixelRatio;
    return settings;
}

// Resets the modes and the selection, tessellates, frames the model and draws it; the whole
// window is repainted, strips included.
Repaint CQuorvaneView::OnUpdate() {
    m_bViewingMode = true;
    m_bEditingMode = false;
    m_bLeftButtonDown = false;
    m_bRightButtonDown = false;
    m_selectedVertex = -1;
    m_wheelRemainder = 0;
    m_frame.SetModel(m_pDocument);
    SetDefaultView();
    TransformModel();
    RenderModel();
    return Repaint::kWindow;
}

// Projects the vertices through the camera; in solid mode also re-sorts the triangles.
void CQuorvaneView::TransformModel() {
    m_frame.Transform(m_viewingSpace, GetDrawingSettings());
}

// Draws the image in the current drawing mode; in solid mode the light direction is brought up to
// date for the camera first.
void CQuorvaneView::RenderModel() {
    if (m_drawingMode == DrawingMode::kSolid && !m_frame.IsProjectedCameraDegenerate()) {
        m_lighting.UpdateLightDirection(m_viewingSpace);
    }
    m_frame.Render(m_viewingSpace, GetDrawingSettings(), m_imageSize);
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
    RenderModel();
    return Repaint::kWindow;
}

Repaint CQuorvaneView::Refresh() {
    TransformModel();
    RenderModel();
    return Repaint::kImage;
}

Repaint CQuorvaneView::SetDrawingMode(DrawingMode mode) {
    if (m_drawingMode == mode) {
        return Repaint::kNone;
    }
    m_drawingMode = mode;
    return Refresh();
}

Repaint CQuorvaneView::OnViewWireframe() {
    return SetDrawingMode(DrawingMode::kWireframe);
}

Repaint CQuorvaneView::OnViewSolid() {
    return SetDrawingMode(DrawingMode::kSolid);
}

Repaint CQuorvaneView::OnViewPoints() {
    return SetDrawingMode(DrawingMode::kPoints);
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
    m_wheelRemainder = 0;
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
    m_wheelRemainder = 0;
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
    const std::optional<CVector3D> offset =
        ComputeDragOffset(m_viewingSpace, dx, dy, m_bLeftButtonDown, m_bRightButtonDown);
    if (!offset) {
        return Repaint::kNone;
    }
    // The painting order the frames so far owe is made with the positions they were drawn with.
    m_frame.SettleOrder();
    if (!MoveVertex(m_pDocument->m_vertices[static_cast<std::size_t>(m_selectedVertex)], *offset)) {
        return Repaint::kNone;
    }
    m_pDocument->SetModifiedFlag();
    m_frame.RefreshGeometry();
    return Refresh();
}

// A double-click clears the selection, or projects and selects the vertex nearest to the device
// pixel under the click.
Repaint CQuorvaneView::OnLButtonDblClk(int x, int y) {
    if (m_selectedVertex != -1) {
        m_selectedVertex = -1;
        RenderModel();
        return Repaint::kImage;
    }
    const int px = ClampedDifference(LogicalToDevicePixel(x, m_devicePixelRatio), m_imageLeft);
    const int py = ClampedDifference(LogicalToDevicePixel(y, m_devicePixelRatio), m_imageTop);
    TransformModel();
    m_selectedVertex = SelectNearestVertex(m_imageSize, px, py, m_frame.GetImageX(), m_frame.GetImageY());
    RenderModel();
    return Repaint::kImage;
}

// Zoom stops changing the camera at its nearest and farthest distance, so the steps of a huge
// turn end there; the picture is still refreshed, as after a drag at the limit.
Repaint CQuorvaneView::OnMouseWheel(int delta) {
    if (!m_bViewingMode) {
        return Repaint::kNone;
    }
    const int notches = TakeWheelNotches(m_wheelRemainder, delta);
    if (notches == 0) {
        return Repaint::kNone;
    }
    const CameraMotion step = MapWheelNotch(notches);
    const long long steps = notches < 0 ? -static_cast<long long>(notches) : notches;
    for (long long i = 0; i < steps; ++i) {
        const CVector3D before = m_viewingSpace.GetFromPoint();
        ApplyCameraMotion(m_viewingSpace, step);
        if (SameBits(m_viewingSpace.GetFromPoint(), before)) {
            break;
        }
    }
    return Refresh();
}

void CQuorvaneView::SetDevicePixelRatio(double ratio) {
    m_devicePixelRatio = std::isfinite(ratio) && ratio > 0.0 ? ratio : 1.0;
}

bool CQuorvaneView::IsCameraDegenerate() const {
    return m_viewingSpace.IsDegenerate();
}

ModelStatistics CQuorvaneView::GetStatistics() const {
    if (m_pDocument == nullptr) {
        return {};
    }
    return ComputeStatistics(*m_pDocument, m_frame.GetMesh());
}

void CQuorvaneView::SetRenderThreads(int count) {
    m_frame.SetThreads(count);
}

int CQuorvaneView::GetRenderThreads() const {
    return m_frame.GetThreads();
}

}  // namespace quorvane
