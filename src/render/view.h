// The view's core: everything about the picture of the document, without any toolkit. The Qt
// widget wraps it: it forwards sizes, mouse input and commands, and repaints what each handler
// asks for.
#pragma once

#include "geometry/vector3d.h"
#include "model/document.h"
#include "model/statistics.h"
#include "render/color.h"
#include "render/drawing_settings.h"
#include "render/frame_renderer.h"
#include "render/lighting.h"
#include "render/raster.h"
#include "viewing/viewing_space.h"

namespace quorvane {

// What the window must repaint after a handler ran.
enum class Repaint {
    kNone,    // nothing changed
    kImage,   // the image was redrawn: repaint the whole client area without erasing
    kWindow,  // repaint the whole client area, erasing the strips beside the image too
};

class CQuorvaneView {
  public:
    explicit CQuorvaneView(CQuorvaneDoc* document);
    CQuorvaneView(const CQuorvaneView&) = delete;
    CQuorvaneView& operator=(const CQuorvaneView&) = delete;

    CQuorvaneDoc* GetDocument() const { return m_pDocument; }

    // ---- Document and drawing ----
    // The document changed (after New and Open): resets modes and selection, tessellates,
    // frames the model, transforms and renders.
    Repaint OnUpdate();
    // Projects every vertex; in solid mode also brings the triangles' depths up to date and sorts them.
    void TransformModel();
    // Redraws the whole image from the projected coordinates in the current drawing mode.
    void RenderModel();
    // The client area is now width x height: the image becomes square and centred, then renders.
    Repaint OnSize(int clientWidth, int clientHeight);

    // ---- Commands ----
    Repaint OnViewWireframe();
    Repaint OnViewSolid();
    Repaint OnViewPoints();
    Repaint OnResetView();
    Repaint OnViewingMode();
    Repaint OnEditingMode();
    // The background colour dialog ended with OK and this colour.
    Repaint SetBackgroundColor(COLORREF colour);
    // The lighting dialog ended with OK: takes every member of `settings`, then refreshes.
    Repaint ApplyLighting(const CLightingSettings& settings);
    // The viewing-parameters dialog ended with OK: At, From, Up and angle through the camera's
    // setters in that order, then refreshes.
    Repaint ApplyViewingParameters(const CVector3D& at, const CVector3D& from, const CVector3D& up,
                                   double angle);
    // Places the camera to frame the document's bounding box (no redraw).
    void SetDefaultView();

    // ---- Mouse, in logical client pixels (y grows downward) ----
    // Motions are measured in logical pixels, so a drag turns, zooms and pans as far on a screen
    // of any pixel density; the image and the sizes given to OnSize are in device pixels.
    Repaint OnLButtonDown(int x, int y);
    Repaint OnLButtonUp(int x, int y);
    Repaint OnRButtonDown(int x, int y);
    Repaint OnRButtonUp(int x, int y);
    Repaint OnMouseMove(int x, int y);
    // Picks at the device pixel holding the centre of logical pixel (x, y).
    Repaint OnLButtonDblClk(int x, int y);
    // A wheel turn of `delta` (kWheelNotch per notch, positive away from the user): in Viewing
    // mode each whole notch, with the parts of notches carried over between calls, is one zoom
    // step of the right-button drag, closer for a turn away from the user; the picture is
    // refreshed once per call that made a notch.
    Repaint OnMouseWheel(int delta);

    // Device pixels per logical pixel (1 unless the screen is scaled); the selection marker is
    // drawn that many times larger so that it keeps its size on screen. Takes effect at the next
    // drawing. A value that is not a positive finite number counts as 1.
    void SetDevicePixelRatio(double ratio);
    double GetDevicePixelRatio() const { return m_devicePixelRatio; }

    // ---- State ----
    // The off-screen image, S x S.
    const CImage& GetImage() const { return m_frame.GetImage(); }
    // Position of the square image in the client area, and its side S.
    int GetImageLeft() const { return m_imageLeft; }
    int GetImageTop() const { return m_imageTop; }
    int GetImageSize() const { return m_imageSize; }
    COLORREF GetBackgroundColor() const { return m_backgroundColor; }
    DrawingMode GetDrawingMode() const { return m_drawingMode; }
    bool IsViewingMode() const { return m_bViewingMode; }
    bool IsEditingMode() const { return m_bEditingMode; }
    bool IsLeftButtonDown() const { return m_bLeftButtonDown; }
    bool IsRightButtonDown() const { return m_bRightButtonDown; }
    int GetLastMouseX() const { return m_lastMouseX; }
    int GetLastMouseY() const { return m_lastMouseY; }
    // The selected vertex, -1 for none.
    int GetSelectedVertex() const { return m_selectedVertex; }
    const CViewingSpace& GetViewingSpace() const { return m_viewingSpace; }
    const CLightingSettings& GetLighting() const { return m_lighting; }
    // Mode, colours, lighting and selection as the next drawing uses them.
    DrawingSettings GetDrawingSettings() const;
    // The renderer with the mesh, the projected coordinates and the image.
    const CFrameRenderer& GetFrameRenderer() const { return m_frame; }
    // True while the camera has no usable basis (From equal to At, a zero Up Vector or one
    // parallel to the line of sight); the image then shows the background only.
    bool IsCameraDegenerate() const;
    // The six numbers of the model information.
    ModelStatistics GetStatistics() const;

    // Threads used to draw horizontal bands of the image (1 draws on the calling thread).
    // The pixels are the same for any count.
    void SetRenderThreads(int count);

    // The number of threads set for drawing.
    int GetRenderThreads() const;

    // How solid frames are drawn; the pixels are the same either way.
    void SetSolidMethod(SolidMethod method) { m_frame.SetSolidMethod(method); }

  private:
    // TransformModel, then RenderModel: the refresh after a change of camera, model or mode.
    Repaint Refresh();
    // Sets the drawing mode; Repaint::kNone when it was already set.
    Repaint SetDrawingMode(DrawingMode mode);
    // Moves the selected vertex for an Editing-mode drag of (dx, dy).
    Repaint DragSelectedVertex(int dx, int dy);

    CQuorvaneDoc* m_pDocument;
    COLORREF m_backgroundColor = RGB(0, 0, 0);
    int m_imageLeft = 0;
    int m_imageTop = 0;
    int m_imageSize = 0;
    DrawingMode m_drawingMode = DrawingMode::kWireframe;
    bool m_bViewingMode = true;
    bool m_bEditingMode = false;
    bool m_bLeftButtonDown = false;
    bool m_bRightButtonDown = false;
    int m_lastMouseX = 0;
    int m_lastMouseY = 0;
    int m_selectedVertex = -1;
    double m_devicePixelRatio = 1.0;
    // The part of a wheel notch not yet turned into a zoom step.
    int m_wheelRemainder = 0;
    CViewingSpace m_viewingSpace;
    CLightingSettings m_lighting;
    // The tessellated mesh, the projected coordinates and the image.
    CFrameRenderer m_frame;
};

}  // namespace quorvane
