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

PixelPoint SolidPixel(int imageSize, double nx, double ny) {
    const double s = static_cast<double>(imageSize);
    return {TruncToPixel(s * nx), TruncToPixel(s - s * ny)};
}

PixelPoint LinePixel(int imageSize, double nx, double ny) {
    const double s = static_cast<double>(imageSize);
    const long long row = static_cast<long long>(imageSize) - TruncToPixel(s * ny);
    return {TruncToPixel(s * nx), static_cast<int>(std::clamp<long long>(row, INT_MIN, INT_MAX))};
}

}  // namespace quorvane
