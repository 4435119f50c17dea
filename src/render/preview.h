// The lighting preview: a ray-cast unit sphere shaded with a lighting record, 128 by 108 pixels.
#pragma once

#include <cstdint>

#include "render/lighting.h"
#include "viewing/viewing_space.h"

namespace quorvane {

inline constexpr int kPreviewWidth = 128;
inline constexpr int kPreviewHeight = 108;

// The preview's own camera: from (0, 0, -2.5) towards the origin, y up, 45 degrees.
CViewingSpace MakePreviewCamera();

// Draws the sphere into `pixels` (kPreviewWidth * kPreviewHeight, rows top to bottom, 0xFFRRGGBB)
// on black. Brings the light direction of `settings` up to date for `previewCamera` first. The rays
// assume the camera of MakePreviewCamera; only its From Point and axes are read.
void RenderLightingPreview(CLightingSettings& settings, const CViewingSpace& previewCamera,
                           std::uint32_t* pixels);

}  // namespace quorvane
