// The vector picture placed on the clipboard beside the raster image: an SVG document the size of
// the client area holding the square image, as an embedded PNG, at its place in the window.
#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// An SVG document of width x height pixels with one <image> of size x size at (left, top) whose
// data is the base64 text of a PNG file. Pixels are kept sharp when the picture is scaled.
std::string BuildPictureSvg(int width, int height, int left, int top, int size, std::string_view pngBase64);

}  // namespace quorvane
