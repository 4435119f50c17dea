#include "viewing/pixel.h"

#include <algorithm>
#include <climits>

namespace quorvane {

int TruncToPixel(double v) {
    // static_cast<int> is defined exactly for -2^31 - 1 < v < 2^31.
    constexpr double kBelow = -2147483649.0;
    constexpr double kAbove = 2147483648.0;
    if (v > kBelow && v < kAbove) {
        return static_cast<int>(v);
    }
    return v >= kAbove ? INT_MAX : INT_MIN;
}

std::int64_t TruncToWidePixel(double v) {
    constexpr double limit = static_cast<double>(kWidePixelLimit);
    if (v > -limit && v < limit) {
        return static_cast<std::int64_t>(v);
    }
    if (v >= limit) {
        return kWidePixelLimit;
    }
    return v <= -limit ? -kWidePixelLimit : 0;
}

PixelPoint SolidPixelAt(int imageSize, double u, double v) {
    return {TruncToPixel(u), TruncToPixel(static_cast<double>(imageSize) - v)};
}

PixelPoint LinePixelAt(int imageSize, double u, double v) {
    const long long row = static_cast<long long>(imageSize) - TruncToPixel(v);
    return {TruncToPixel(u), static_cast<int>(std::clamp<long long>(row, INT_MIN, INT_MAX))};
}

PixelPoint SolidPixel(int imageSize, double nx, double ny) {
    const double s = static_cast<double>(imageSize);
    return SolidPixelAt(imageSize, s * nx, s * ny);
}

PixelPoint LinePixel(int imageSize, double nx, double ny) {
    const double s = static_cast<double>(imageSize);
    return LinePixelAt(imageSize, s * nx, s * ny);
}

}  // namespace quorvane
