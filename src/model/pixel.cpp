#include "model/pixel.h"

namespace quorvane {

PixelPoint SolidPixel(int imageSize, double nx, double ny) {
    const double s = static_cast<double>(imageSize);
    return {TruncToPixel(s * nx), TruncToPixel(s - s * ny)};
}

PixelPoint LinePixel(int imageSize, double nx, double ny) {
    const double s = static_cast<double>(imageSize);
    return {TruncToPixel(s * nx), imageSize - TruncToPixel(s * ny)};
}

}  // namespace quorvane
