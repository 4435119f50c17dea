// Whole pixels from normalised image positions, defined for every double.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvane {

// A pixel position: column x to the right, row y downward, (0, 0) the top-left pixel of the image.
// Any int value is allowed; the raster operations clip to the image.
struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// The integer part of v (truncation toward zero) wherever that is an int. Only beyond the int
// range, where the conversion is undefined, is the result pinned: larger values and +infinity give
// INT_MAX, smaller values and -infinity INT_MIN, and NaN INT_MIN (the same side as the x86
// conversion's "integer indefinite" result).
int TruncToPixel(double v);

// The integer part of v wherever |v| < 2^62, pinned to +-2^62 beyond and for the infinities, 0 for
// NaN: exact positions far outside any image, with room to add and square in 128 bits.
std::int64_t TruncToWidePixel(double v);
inline constexpr std::int64_t kWidePixelLimit = std::int64_t{1} << 62;

// The two functions below are compiled in a core library, where floating-point contraction is
// off, so that every caller gets the same pixels whatever its own compiler flags.

// Pixel of normalised image position (nx, ny) as used for triangle corners and points:
// column trunc(S * nx), row trunc(S - S * ny), the subtraction done before truncating.
PixelPoint SolidPixel(int imageSize, double nx, double ny);

// Pixel of normalised image position (nx, ny) as used for line ends and the selection marker:
// column trunc(S * nx), row S - trunc(S * ny), the truncation done before subtracting (a row
// beyond the int range is pinned like TruncToPixel).
PixelPoint LinePixel(int imageSize, double nx, double ny);

// SolidPixel (or LinePixel when `linePixels`) of positions (nx[i], ny[i]) into out[i], for i = first
// .. last - 1: the same pixels, the solid rule two at a time.
void ImagePixels(int imageSize, const double* nx, const double* ny, std::size_t first, std::size_t last,
                 bool linePixels, PixelPoint* out);

// The same two rules for a position already scaled to pixels, (u, v) = (S nx, S ny).
PixelPoint SolidPixelAt(int imageSize, double u, double v);
PixelPoint LinePixelAt(int imageSize, double u, double v);

}  // namespace quorvane
