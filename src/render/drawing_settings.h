// What a picture of the model is drawn with, apart from the camera and the image size: the drawing
// mode, the colours and lighting, the selected vertex and the size of its marker.
#pragma once

#include "render/color.h"
#include "render/lighting.h"

namespace quorvane {

// How the model is drawn: its distinct edges as lines, its triangles shaded and painted farthest
// first, or one pixel per vertex.
enum class DrawingMode { kWireframe, kSolid, kPoints };

// The grey of the selection marker's top and left sides and the white of its bottom and right.
inline constexpr COLORREF kMarkerTopLeftColor = RGB(170, 170, 170);
inline constexpr COLORREF kMarkerBottomRightColor = RGB(255, 255, 255);

// The side of the selection marker in pixels at a marker scale of 1.
inline constexpr int kMarkerSize = 4;

struct DrawingSettings {
    DrawingMode mode = DrawingMode::kWireframe;
    COLORREF backgroundColor = RGB(0, 0, 0);
    // Colours and shading; the light direction is brought up to date for the camera when drawing.
    CLightingSettings lighting;
    // The vertex framed by the marker, -1 for none.
    int selectedVertex = -1;
    // The marker is trunc(kMarkerSize * markerScale) pixels wide (at least 1), so that a screen with
    // several device pixels per logical pixel can keep its size; 1 gives the 4 x 4 frame.
    double markerScale = 1.0;
};

}  // namespace quorvane
