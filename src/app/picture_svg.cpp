#include "app/picture_svg.h"

namespace quorvane {

std::string BuildPictureSvg(int width, int height, int left, int top, int size, std::string_view pngBase64) {
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    const std::string s = std::to_string(size);
    std::string svg;
    svg.reserve(pngBase64.size() + 512);
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg +=
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "version=\"1.1\"";
    svg += " width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n";
    svg += "  <image x=\"" + std::to_string(left) + "\" y=\"" + std::to_string(top) + "\" width=\"" + s +
           "\" height=\"" + s + "\" preserveAspectRatio=\"none\" image-rendering=\"pixelated\"";
    svg += " xlink:href=\"data:image/png;base64,";
    svg += pngBase64;
    svg += "\"/>\n</svg>\n";
    return svg;
}

}  // namespace quorvane
