// The view window: wraps the toolkit-free CQuorvaneView, forwards sizes to it in device pixels and
// mouse input in logical pixels with the device pixel ratio, paints its square image in one
// transfer, and copies it to the clipboard.
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
    // The logical client pixel of a position in widget coordinates, as the view core takes it.
    static QPoint ToLogical(const QPointF& position);
    // The logical pixel (a widget position) that covers the centre of device pixel (x, y) of the
    // client area.
    QPoint FromDevice(int x, int y) const;
    // Device pixels per logical pixel, as the view core was last told.
    qreal PixelRatio() const { return m_pixelRatio; }

  signals:
    // The picture changed (the frame updates the status bar).
    void pictureChanged();
    // A vertex of the document was moved.
    void documentEdited();
    // A mouse button was pressed or the wheel turned in the view.
    void userInput();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

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
