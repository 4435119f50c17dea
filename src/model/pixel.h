// Conversion of image positions to whole pixels, defined for every double.
#pragma once

namespace quorvane {

// Largest pixel coordinate magnitude handed out. Positions beyond it (vertices at or behind the
// eye project to huge or infinite values) are pinned here; the margin to INT_MAX keeps sums and
// differences of a few pixel coordinates (image side minus row, edge vectors) inside int.
inline constexpr int kPixelLimit = 1 << 29;

// A pixel position: column x to the right, row y downward, (0, 0) the top-left pixel.
struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// The integer part of v (truncation toward zero) for |v| <= kPixelLimit; larger finite values
// and the infinities give +-kPixelLimit by their sign, and NaN gives -kPixelLimit (the same side
// as the x86 conversion's "integer indefinite" result). Never converts an unrepresentable value.
inline int TruncToPixel(double v) {
    constexpr double limit = static_cast<double>(kPixelLimit);
    if (v >= -limit && v <= limit) {
        return static_cast<int>(v);
    }
    return v > limit ? kPixelLimit : -kPixelLimit;
}

// The two functions below are compiled in the model library, where floating-point contraction
// is off, so that every caller gets the same pixels whatever its own compiler flags.

// Pixel of normalised image position (nx, ny) as used for triangle corners and points:
// column trunc(S * nx), row trunc(S - S * ny), the subtraction done before truncating.
PixelPoint SolidPixel(int imageSize, double nx, double ny);

// Pixel of normalised image position (nx, ny) as used for line ends and the selection marker:
// column trunc(S * nx), row S - trunc(S * ny), the truncation done before subtracting.
PixelPoint LinePixel(int imageSize, double nx, double ny);

}  // namespace quorvane
