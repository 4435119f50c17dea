#include "app/dialogs/lighting_widgets.h"

#include <QMouseEvent>
#include <QPainter>

namespace quorvane {

CColorSwatch::CColorSwatch(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFixedSize(46, 20);
    setCursor(Qt::PointingHandCursor);
}

void CColorSwatch::SetColor(COLORREF color) {
    m_color = color;
    update();
}

void CColorSwatch::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), QColor(GetRValue(m_color), GetGValue(m_color), GetBValue(m_color)));
    }
    QFrame::paintEvent(event);
}

void CColorSwatch::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

// A click is a left press and release both inside the swatch.
void CColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) {
        emit clicked();
    }
}

CPreviewFrame::CPreviewFrame(int imageWidth, int imageHeight, QWidget* parent)
    : QFrame(parent), m_image(imageWidth, imageHeight, QImage::Format_RGB32) {
    m_image.fill(Qt::black);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // Half as large again as the image, so the image sits centred on a black margin.
    setMinimumSize(imageWidth * 3 / 2, imageHeight * 3 / 2 + 14);
}

QPoint CPreviewFrame::ImageOrigin() const {
    const QRect area = contentsRect();
    return {area.x() + (area.width() - m_image.width()) / 2,
            area.y() + (area.height() - m_image.height()) / 2};
}

void CPreviewFrame::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), Qt::black);
        painter.drawImage(ImageOrigin(), m_image);
    }
    QFrame::paintEvent(event);
}

}  // namespace quorvane
