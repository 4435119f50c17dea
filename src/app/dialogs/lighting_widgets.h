// The lighting dialog's two picture controls: a clickable colour swatch and the preview frame.
#pragma once

#include <QFrame>
#include <QImage>

#include "render/color.h"

namespace quorvane {

// A sunken box filled entirely with one colour; a click on it emits clicked().
class CColorSwatch : public QFrame {
    Q_OBJECT

  public:
    explicit CColorSwatch(QWidget* parent = nullptr);

    void SetColor(COLORREF color);
    COLORREF Color() const { return m_color; }

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    COLORREF m_color = 0;
    bool m_pressed = false;
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
