// The view window: wraps the toolkit-free CQuorvaneView, forwards sizes and mouse input to it in
// device pixels, paints its square image in one transfer, and copies it to the clipboard.
#pragma once

#include <QImage>
#include <QWidget>

#include "render/view.h"

class QClipboard;

namespace quorvane {

class CUserPrompts;

// What went wrong while putting the picture on the clipboard.
enum class ClipboardFailure { kNone, kCannotOpen, kCannotEmpty, kCannotSetData };

// The message shown for a clipboard failure (empty for kNone).
const char* ClipboardFailureMessage(ClipboardFailure failure);

class CQuorvaneViewWidget : public QWidget {
    Q_OBJECT
  public:
    explicit CQuorvaneViewWidget(CQuorvaneDoc* document, QWidget* parent = nullptr);

    CQuorvaneView& View() { return m_view; }
    const CQuorvaneView& View() const { return m_view; }
    void SetPrompts(CUserPrompts* prompts) { m_prompts = prompts; }

    // Repaints what `repaint` asks for and tells the frame that the picture changed.
    void Apply(Repaint repaint);

    // Edit Copy: the image on the clipboard as a raster image and as an SVG picture of the client
    // area holding it; failures are reported through the prompts.
    void OnEditCopy();
    // The copy itself, onto `clipboard` (which may be null when there is none).
    ClipboardFailure CopyPictureTo(QClipboard* clipboard) const;

    // A deep copy of the current image (S x S device pixels).
    QImage CurrentImage() const;
    // The client area in device pixels, as the view core knows it.
    QSize DeviceClientSize() const { return m_deviceSize; }
    // The client coordinates (device pixels) of a position in widget coordinates.
    QPoint ToDevice(const QPointF& position) const;
    // The widget position of a client point in device pixels (the inverse of ToDevice).
    QPoint FromDevice(int x, int y) const;

  signals:
    // The picture changed (the frame updates the status bar).
    void pictureChanged();
    // A vertex of the document was moved.
    void documentEdited();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    // Resizes the image to the client area when the size or the pixel ratio changed.
    void SyncSize();
    // The image wrapped without copying, at the device pixel ratio.
    QImage WrappedImage() const;

    CQuorvaneView m_view;
    CUserPrompts* m_prompts = nullptr;
    QSize m_deviceSize{-1, -1};
    qreal m_pixelRatio = 1.0;
};

}  // namespace quorvane
