#include "app/dialogs/lighting_widgets.h"

#include <qdrawutil.h>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace quorvane {

namespace {

// The swatch's size and the width of its sunken border.
constexpr int kSwatchWidth = 46;
constexpr int kSwatchHeight = 20;
constexpr int kSwatchBorder = 2;

}  // namespace

CColorSwatch::CColorSwatch(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(kSwatchWidth, kSwatchHeight);
    setCursor(Qt::PointingHandCursor);
}

QSize CColorSwatch::sizeHint() const {
    return {kSwatchWidth, kSwatchHeight};
}

void CColorSwatch::SetColor(COLORREF color) {
    m_color = color;
    update();
}

// The colour inside a sunken border, and the style's focus frame just inside the border while the
// swatch has the focus.
void CColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inside = rect().adjusted(kSwatchBorder, kSwatchBorder, -kSwatchBorder, -kSwatchBorder);
    painter.fillRect(inside, QColor(GetRValue(m_color), GetGValue(m_color), GetBValue(m_color)));
    qDrawShadePanel(&painter, rect(), palette(), true, kSwatchBorder);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inside.adjusted(1, 1, -1, -1);
        focus.backgroundColor = QColor(GetRValue(m_color), GetGValue(m_color), GetBValue(m_color));
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

// Space is the button's own key; Enter and Return choose the swatch too, instead of the dialog's
// default button.
void CColorSwatch::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
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
