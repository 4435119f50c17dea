#include "app/view_widget.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/picture_svg.h"
#include "app/prompts.h"

namespace quorvane {

namespace {

// A coordinate as a whole pixel: floored, clamped into the int range, 0 when not finite.
int FloorToPixel(double value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    constexpr double kLow = std::numeric_limits<int>::min();
    constexpr double kHigh = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::floor(value), kLow, kHigh));
}

}  // namespace

const char* ClipboardFailureMessage(ClipboardFailure failure) {
    switch (failure) {
        case ClipboardFailure::kCannotOpen:
            return "Cannot open the Clipboard";
        case ClipboardFailure::kCannotEmpty:
            return "Cannot empty the Clipboard";
        case ClipboardFailure::kCannotSetData:
            return "Unable to set Clipboard data";
        case ClipboardFailure::kNone:
            break;
    }
    return "";
}

CQuorvaneViewWidget::CQuorvaneViewWidget(CQuorvaneDoc* document, QWidget* parent)
    : QWidget(parent), m_view(document) {
    // Every pixel is painted by paintEvent (the image and the strips beside it): no erasing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    // Moves without a button keep the last mouse position current, as the view expects.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void CQuorvaneViewWidget::Apply(Repaint repaint) {
    if (repaint == Repaint::kNone) {
        return;
    }
    update();
    emit pictureChanged();
}

QPoint CQuorvaneViewWidget::ToLogical(const QPointF& position) {
    return {FloorToPixel(position.x()), FloorToPixel(position.y())};
}

QPoint CQuorvaneViewWidget::FromDevice(int x, int y) const {
    return {FloorToPixel((x + 0.5) / m_pixelRatio), FloorToPixel((y + 0.5) / m_pixelRatio)};
}

void CQuorvaneViewWidget::SyncSize() {
    const qreal ratio = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
    const QSize deviceSize(FloorToPixel(std::ceil(width() * ratio - 1e-9)),
                           FloorToPixel(std::ceil(height() * ratio - 1e-9)));
    if (deviceSize == m_deviceSize && ratio == m_pixelRatio) {
        return;
    }
    m_pixelRatio = ratio;
    m_deviceSize = deviceSize;
    m_view.SetDevicePixelRatio(ratio);
    m_view.OnSize(deviceSize.width(), deviceSize.height());
    emit pictureChanged();
}

QImage CQuorvaneViewWidget::WrappedImage() const {
    const CImage& image = m_view.GetImage();
    const int size = image.Size();
    if (size <= 0) {
        return {};
    }
    QImage wrapped(reinterpret_cast<const uchar*>(image.Data()), size, size, size * 4, QImage::Format_RGB32);
    wrapped.setDevicePixelRatio(m_pixelRatio);
    return wrapped;
}

QImage CQuorvaneViewWidget::CurrentImage() const {
    QImage copy = WrappedImage().copy();
    copy.setDevicePixelRatio(1.0);
    return copy;
}

void CQuorvaneViewWidget::paintEvent(QPaintEvent*) {
    // A change of screen (and so of pixel ratio) arrives without a resize.
    SyncSize();
    QPainter painter(this);
    const double r = m_pixelRatio;
    const double left = m_view.GetImageLeft() / r;
    const double top = m_view.GetImageTop() / r;
    const double side = m_view.GetImage().Size() / r;
    const double w = width();
    const double h = height();

    // The strips beside the square image show the window colour.
    const QColor strip = palette().color(QPalette::Window);
    painter.fillRect(QRectF(0, 0, left, h), strip);
    painter.fillRect(QRectF(left + side, 0, w - left - side, h), strip);
    painter.fillRect(QRectF(left, 0, side, top), strip);
    painter.fillRect(QRectF(left, top + side, side, h - top - side), strip);

    const QImage image = WrappedImage();
    if (!image.isNull()) {
        painter.drawImage(QPointF(left, top), image);
    }
}

void CQuorvaneViewWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SyncSize();
    update();
}

void CQuorvaneViewWidget::mousePressEvent(QMouseEvent* event) {
    emit userInput();
    const QPoint p = ToLogical(event->position());
    if (event->button() == Qt::LeftButton) {
        Apply(m_view.OnLButtonDown(p.x(), p.y()));
    } else if (event->button() == Qt::RightButton) {
        Apply(m_view.OnRButtonDown(p.x(), p.y()));
    }
}

void CQuorvaneViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = ToLogical(event->position());
    if (event->button() == Qt::LeftButton) {
        Apply(m_view.OnLButtonUp(p.x(), p.y()));
    } else if (event->button() == Qt::RightButton) {
        Apply(m_view.OnRButtonUp(p.x(), p.y()));
    }
}

void CQuorvaneViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = ToLogical(event->position());
    CQuorvaneDoc* document = m_view.GetDocument();
    const bool wasModified = document->IsModified();
    Apply(m_view.OnMouseMove(p.x(), p.y()));
    // A drag in editing mode that moved a vertex marks the document modified.
    if (!wasModified && document->IsModified()) {
        emit documentEdited();
    }
}

void CQuorvaneViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    emit userInput();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint p = ToLogical(event->position());
    Apply(m_view.OnLButtonDblClk(p.x(), p.y()));
    // The second press of a double-click is not a button-down for the view: the view takes it as
    // released at once, so a drag straight on from it moves nothing until the button is pressed
    // again.
    Apply(m_view.OnLButtonUp(p.x(), p.y()));
}

void CQuorvaneViewWidget::wheelEvent(QWheelEvent* event) {
    emit userInput();
    event->accept();
    Apply(m_view.OnMouseWheel(event->angleDelta().y()));
}

ClipboardFailure CQuorvaneViewWidget::CopyPictureTo(QClipboard* clipboard) const {
    if (clipboard == nullptr) {
        return ClipboardFailure::kCannotOpen;
    }
    const QImage image = CurrentImage();
    auto* data = new QMimeData;
    QByteArray png;
    if (!image.isNull()) {
        data->setImageData(image);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    const std::string svg =
        BuildPictureSvg(m_deviceSize.width(), m_deviceSize.height(), m_view.GetImageLeft(),
                        m_view.GetImageTop(), image.width(), png.toBase64().toStdString());
    data->setData(QStringLiteral("image/svg+xml"), QByteArray::fromStdString(svg));
    clipboard->setMimeData(data);  // the clipboard owns the data from here on

    // Reading back tells whether the platform took the data.
    const QMimeData* placed = clipboard->mimeData();
    if (placed == nullptr || !placed->hasFormat(QStringLiteral("image/svg+xml"))) {
        return ClipboardFailure::kCannotSetData;
    }
    return ClipboardFailure::kNone;
}

void CQuorvaneViewWidget::OnEditCopy() {
    const ClipboardFailure failure = CopyPictureTo(QGuiApplication::clipboard());
    if (failure != ClipboardFailure::kNone && m_prompts != nullptr) {
        m_prompts->ShowMessage(this, QString::fromUtf8(ClipboardFailureMessage(failure)));
    }
}

}  // namespace quorvane
