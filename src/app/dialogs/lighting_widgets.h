// The lighting dialog's two picture controls: a colour swatch that works as a button and the
// preview frame.
#pragma once

#include <QAbstractButton>
#include <QFrame>
#include <QImage>

#include "render/color.h"

namespace quorvane {

// A sunken box filled entirely with one colour: a button that takes the focus from the keyboard
// too, and emits clicked() for a mouse click and for Space, Enter or Return.
class CColorSwatch : public QAbstractButton {
    Q_OBJECT

  public:
    explicit CColorSwatch(QWidget* parent = nullptr);

    void SetColor(COLORREF color);
    COLORREF Color() const { return m_color; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    COLORREF m_color = 0;
};

// A sunken box showing its image centred on black.
class CPreviewFrame : public QFrame {
    Q_OBJECT

  public:
    CPreviewFrame(int imageWidth, int imageHeight, QWidget* parent = nullptr);

    // The image shown; draw into it and call update().
    QImage& Image() { return m_image; }
    const QImage& Image() const { return m_image; }
    // Where the image's top-left pixel is drawn, in widget coordinates.
    QPoint ImageOrigin() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage m_image;
};

}  // namespace quorvane
