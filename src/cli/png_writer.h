// Encoding the off-screen image as a PNG file in memory.
#pragma once

#include <string>

#include "render/raster.h"

namespace quorvane::cli {

// Encodes `image` (S x S pixels 0xFFRRGGBB) as a lossless 8-bit RGB PNG of exactly S x S pixels
// into `bytes`; with `alpha` as 8-bit RGBA, each pixel's top byte its opacity (0xAARRGGBB). On
// failure returns false and fills `error` (when given) with libpng's reason.
bool EncodePng(const CImage& image, std::string& bytes, std::string* error, bool alpha = false);

}  // namespace quorvane::cli
