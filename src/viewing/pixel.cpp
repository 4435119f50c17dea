#include "viewing/pixel.h"

#include <algorithm>
#include <climits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)

namespace {

// TruncToPixel of both lanes, in the low two 32-bit lanes. The conversion gives INT_MIN for every
// value beyond the int range and for NaN, which is the rule except at or above 2^31, which is
// INT_MAX: INT_MIN with every bit turned over.
__m128i TruncToPixels(__m128d v) {
    const __m128i truncated = _mm_cvttpd_epi32(v);
    const __m128d above = _mm_cmpge_pd(v, _mm_set1_pd(2147483648.0));
    // The two 64-bit masks as the low two 32-bit lanes.
    const __m128i aboveLanes = _mm_shuffle_epi32(_mm_castpd_si128(above), _MM_SHUFFLE(3, 3, 2, 0));
    return _mm_xor_si128(truncated, _mm_and_si128(aboveLanes, _mm_set_epi32(0, 0, -1, -1)));
}

}  // namespace

#endif

void ImagePixels(int imageSize, const double* nx, const double* ny, std::size_t first, std::size_t last,
                 bool linePixels, PixelPoint* out) {
    std::size_t i = first;
#if defined(__SSE2__)
    if (!linePixels) {
        const __m128d s = _mm_set1_pd(static_cast<double>(imageSize));
        for (; i + 1 < last; i += 2) {
            const __m128d u = _mm_mul_pd(s, _mm_loadu_pd(nx + i));
            const __m128d v = _mm_sub_pd(s, _mm_mul_pd(s, _mm_loadu_pd(ny + i)));
            // Columns and rows interleaved as two PixelPoints.
            const __m128i pixels = _mm_unpacklo_epi32(TruncToPixels(u), TruncToPixels(v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), pixels);
        }
    }
#endif
    for (; i < last; ++i) {
        out[i] = linePixels ? LinePixel(imageSize, nx[i], ny[i]) : SolidPixel(imageSize, nx[i], ny[i]);
    }
}

}  // namespace quorvane
