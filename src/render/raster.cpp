#include "render/raster.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <limits>
#include <utility>

namespace quorvane {

namespace {

// Exact intermediates for products of two coordinate differences (each up to 2^32 in size).
__extension__ typedef __int128 Int128;

constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;

// Triangles whose corners all lie within this distance of the origin have edge functions that
// fit in 64 bits; others use 128-bit arithmetic.
constexpr std::int64_t kFastCoordinateLimit = std::int64_t{1} << 29;

// The pixels that may be written: columns [left, right) and rows [top, bottom).
struct SArea {
    std::int64_t left;
    std::int64_t top;
    std::int64_t right;
    std::int64_t bottom;

    bool Empty() const { return left >= right || top >= bottom; }
    bool Contains(std::int64_t x, std::int64_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
};

// The part of an image of side `size` that the band lets through.
SArea VisibleArea(std::int64_t size, const CRasterClip& clip) {
    return {0, std::max<std::int64_t>(0, clip.rowBegin), size, std::min<std::int64_t>(size, clip.rowEnd)};
}
SArea VisibleArea(const CImage& image, const CRasterClip& clip) {
    return VisibleArea(image.Size(), clip);
}

// Fills columns [x0, x1) of rows [y0, y1), cut to the area.
void FillSpan(CImage& image, const SArea& area, std::int64_t x0, std::int64_t y0, std::int64_t x1,
              std::int64_t y1, std::uint32_t colour) {
    x0 = std::max(x0, area.left);
    x1 = std::min(x1, area.right);
    y0 = std::max(y0, area.top);
    y1 = std::min(y1, area.bottom);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    const std::int64_t size = image.Size();
    std::uint32_t* data = image.Data();
    for (std::int64_t y = y0; y < y1; ++y) {
        std::fill(data + y * size + x0, data + y * size + x1, colour);
    }
}

// Sets every pixel it is given to one colour.
struct SColourPen {
    std::uint32_t* data;
    std::uint32_t colour;

    void Plot(std::int64_t index) { data[index] = colour; }
    // Written as a select, which the compiler turns into a masked store over a row.
    void PlotIf(bool inside, std::int64_t index) { data[index] = inside ? colour : data[index]; }
};

// What a loop over many pixels holds of a pen, by value so that it stays in registers: stores to
// the pixels could otherwise change the pen's members, as far as the compiler knows.
SColourPen CursorOf(const SColourPen& pen) {
    return pen;
}

// The depth pen's plane and cell; rounded keys that meet still go to the pen.
struct SDepthCursor {
    std::uint64_t* cells;
    std::uint64_t cell;
    CDepthPen* pen;

    void Plot(std::int64_t index) { pen->TestPixel(cells, index, cell); }
    void PlotIf(bool inside, std::int64_t index) {
        if (inside) {
            Plot(index);
        }
    }
};

SDepthCursor CursorOf(CDepthPen& pen) {
    return {pen.cells, pen.cell, &pen};
}

// a / b rounded up, for b > 0.
Int128 CeilDiv(Int128 a, Int128 b) {
    const Int128 q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

// Lines of at most this many steps have their clipping products computed in 64 bits.
constexpr std::int64_t kShortLineSteps = std::int64_t{1} << 30;

// a / b rounded up, for b > 0, in 64 bits.
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

// The first step of a line of n major steps and minor extent m (m <= n) whose minor offset,
// floor((2 i m + n - 1) / 2n), reaches k; n when no step before the end does.
std::int64_t FirstStepReaching(std::int64_t k, std::int64_t n, std::int64_t m) {
    if (k <= 0) {
        return 0;
    }
    if (k > m) {
        return n;
    }
    if (n <= kShortLineSteps) {
        return std::min(CeilDiv(2 * k * n - n + 1, 2 * m), n);
    }
    const Int128 step = CeilDiv(Int128{2} * k * n - n + 1, Int128{2} * m);
    return static_cast<std::int64_t>(std::min<Int128>(step, n));
}

// The minor offset floor((2 i m + n - 1) / 2n) of step i and the remainder of that division.
void OffsetAtStep(std::int64_t i, std::int64_t n, std::int64_t m, std::int64_t& offset, std::int64_t& error) {
    if (n <= kShortLineSteps) {
        const std::int64_t numerator = 2 * i * m + n - 1;
        offset = numerator / (2 * n);
        error = numerator % (2 * n);
        return;
    }
    const Int128 numerator = Int128{2} * i * m + n - 1;
    offset = static_cast<std::int64_t>(numerator / (2 * n));
    error = static_cast<std::int64_t>(numerator % (2 * n));
}

// Draws the visible steps of the line from (x0, y0) to (x1, y1), last pixel left out. Step i sets
// the pixel at major offset i and minor offset floor((2 i m + n - 1) / 2n), i.e. i m / n rounded to
// nearest with halves toward the start; the incremental error term is that numerator modulo 2n.
// A line that leaves the area starts at its first visible step with the error computed exactly.
template <typename Pen>
void DrawLine(Pen& pen, std::int64_t size, const SArea& area, int x0, int y0, int x1, int y1) {
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const std::int64_t adx = dx < 0 ? -dx : dx;
    const std::int64_t ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const std::int64_t n = xMajor ? adx : ady;
    if (n == 0 || area.Empty()) {
        return;
    }
    const std::int64_t m = xMajor ? ady : adx;
    const std::int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const std::int64_t minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const std::int64_t major0 = xMajor ? x0 : y0;
    const std::int64_t minor0 = xMajor ? y0 : x0;

    std::int64_t first = 0;
    std::int64_t last = n;
    std::int64_t offset = 0;
    std::int64_t error = n - 1;
    if (!area.Contains(x0, y0) || !area.Contains(x1, y1)) {
        // Every pixel lies in the box spanned by the two ends.
        if (std::max(x0, x1) < area.left || std::min(x0, x1) >= area.right || std::max(y0, y1) < area.top ||
            std::min(y0, y1) >= area.bottom) {
            return;
        }
        // Steps whose major coordinate major0 + majorSign * i is visible.
        const std::int64_t majorLo = xMajor ? area.left : area.top;
        const std::int64_t majorHi = xMajor ? area.right : area.bottom;
        if (majorSign > 0) {
            first = std::max(first, majorLo - major0);
            last = std::min(last, majorHi - major0);
        } else {
            first = std::max(first, major0 - majorHi + 1);
            last = std::min(last, major0 - majorLo + 1);
        }
        // Minor offsets k, inclusive, whose coordinate minor0 + minorSign * k is visible.
        const std::int64_t minorLo = xMajor ? area.top : area.left;
        const std::int64_t minorHi = xMajor ? area.bottom : area.right;
        std::int64_t kLo = minorSign > 0 ? minorLo - minor0 : minor0 - minorHi + 1;
        std::int64_t kHi = minorSign > 0 ? minorHi - 1 - minor0 : minor0 - minorLo;
        kLo = std::max<std::int64_t>(kLo, 0);
        kHi = std::min(kHi, m);
        if (kLo > kHi) {
            return;
        }
        first = std::max(first, FirstStepReaching(kLo, n, m));
        last = std::min(last, FirstStepReaching(kHi + 1, n, m));
        if (first >= last) {
            return;
        }
        OffsetAtStep(first, n, m, offset, error);
    }

    const std::int64_t major = major0 + majorSign * first;
    const std::int64_t minor = minor0 + minorSign * offset;
    std::int64_t index = xMajor ? minor * size + major : major * size + minor;
    const std::int64_t majorStep = xMajor ? majorSign : majorSign * size;
    const std::int64_t minorStep = xMajor ? minorSign * size : minorSign;
    const std::int64_t twoN = 2 * n;
    const std::int64_t twoM = 2 * m;
    // The minor step is taken without a branch: which way it goes is too irregular to predict.
    auto cursor = CursorOf(pen);
    for (std::int64_t count = last - first; count > 0; --count) {
        cursor.Plot(index);
        error += twoM;
        const std::int64_t carry = -static_cast<std::int64_t>(error >= twoN);
        error -= twoN & carry;
        index += majorStep + (minorStep & carry);
    }
}

// One edge a -> b of a triangle: its edge function at the first pixel of the current row and its
// change per column and per row. A pixel is on the inner side when the function is >= 0.
template <typename Wide>
struct SEdge {
    Wide rowStart;
    Wide stepX;
    Wide stepY;
};

// Sets up the edge a -> b for the pixel (x, y). The function is (b - a) x (p - a), positive inside
// a triangle of positive orientation; it is lowered by one on edges that are neither top nor left
// (those whose direction points down, or left when horizontal) so that points on them fail.
template <typename Wide>
SEdge<Wide> MakeEdge(PixelPoint a, PixelPoint b, std::int64_t x, std::int64_t y) {
    const Wide ex = Wide{b.x} - a.x;
    const Wide ey = Wide{b.y} - a.y;
    const bool topOrLeft = ey < 0 || (ey == 0 && ex > 0);
    Wide value = ex * (Wide{y} - a.y) - ey * (Wide{x} - a.x);
    if (!topOrLeft) {
        value -= 1;
    }
    return {value, -ey, ex};
}

// Sets the inside pixels of the triangle, tested with edge functions of type Wide over its bounding
// box cut to the area. The box's last column and last row are left out: points there lie on a right
// or bottom edge or are a right-most or bottom-most corner, and none of those is inside.
template <typename Wide, typename Pen>
void FillInterior(Pen& pen, std::int64_t size, const SArea& area, PixelPoint p0, PixelPoint p1,
                  PixelPoint p2) {
    const Wide twiceArea =
        (Wide{p1.x} - p0.x) * (Wide{p2.y} - p0.y) - (Wide{p1.y} - p0.y) * (Wide{p2.x} - p0.x);
    if (twiceArea == 0) {
        return;
    }
    if (twiceArea < 0) {
        std::swap(p1, p2);
    }
    const std::int64_t x0 = std::max<std::int64_t>(std::min({p0.x, p1.x, p2.x}), area.left);
    const std::int64_t x1 = std::min<std::int64_t>(std::max({p0.x, p1.x, p2.x}), area.right);
    const std::int64_t y0 = std::max<std::int64_t>(std::min({p0.y, p1.y, p2.y}), area.top);
    const std::int64_t y1 = std::min<std::int64_t>(std::max({p0.y, p1.y, p2.y}), area.bottom);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    SEdge<Wide> e0 = MakeEdge<Wide>(p0, p1, x0, y0);
    SEdge<Wide> e1 = MakeEdge<Wide>(p1, p2, x0, y0);
    SEdge<Wide> e2 = MakeEdge<Wide>(p2, p0, x0, y0);
    auto cursor = CursorOf(pen);
    for (std::int64_t y = y0; y < y1; ++y) {
        Wide w0 = e0.rowStart;
        Wide w1 = e1.rowStart;
        Wide w2 = e2.rowStart;
        const std::int64_t row = y * size;
        for (std::int64_t x = x0; x < x1; ++x) {
            cursor.PlotIf((w0 | w1 | w2) >= 0, row + x);
            w0 += e0.stepX;
            w1 += e1.stepX;
            w2 += e2.stepX;
        }
        e0.rowStart += e0.stepY;
        e1.rowStart += e1.stepY;
        e2.rowStart += e2.stepY;
    }
}

// Whether a corner is near enough to the origin for 64-bit edge functions.
bool IsNearOrigin(PixelPoint p) {
    return p.x >= -kFastCoordinateLimit && p.x <= kFastCoordinateLimit && p.y >= -kFastCoordinateLimit &&
           p.y <= kFastCoordinateLimit;
}

// Sets the inside pixels of the triangle with the narrowest exact arithmetic.
template <typename Pen>
void FillInteriorExact(Pen& pen, std::int64_t size, const SArea& area, PixelPoint p0, PixelPoint p1,
                       PixelPoint p2) {
    if (area.Empty()) {
        return;
    }
    if (IsNearOrigin(p0) && IsNearOrigin(p1) && IsNearOrigin(p2) && size <= kFastCoordinateLimit) {
        FillInterior<std::int64_t>(pen, size, area, p0, p1, p2);
    } else {
        FillInterior<Int128>(pen, size, area, p0, p1, p2);
    }
}

// The inside and the outline of a triangle, as FillTriangle describes them, each pixel handed to
// the pen.
template <typename Pen>
void DrawSolidTriangle(Pen& pen, std::int64_t size, const SArea& area, PixelPoint p0, PixelPoint p1,
                       PixelPoint p2) {
    // Inside and outline both lie in the box spanned by the corners.
    if (area.Empty() || std::max({p0.x, p1.x, p2.x}) < area.left ||
        std::min({p0.x, p1.x, p2.x}) >= area.right || std::max({p0.y, p1.y, p2.y}) < area.top ||
        std::min({p0.y, p1.y, p2.y}) >= area.bottom) {
        return;
    }
    // A triangle shrunk to one pixel (common for far-away or very fine models) still covers
    // that pixel, so fine meshes show no holes.
    if (p0.x == p1.x && p0.x == p2.x && p0.y == p1.y && p0.y == p2.y) {
        if (area.Contains(p0.x, p0.y)) {
            pen.Plot(std::int64_t{p0.y} * size + p0.x);
        }
        return;
    }
    FillInteriorExact(pen, size, area, p0, p1, p2);
    DrawLine(pen, size, area, p0.x, p0.y, p1.x, p1.y);
    DrawLine(pen, size, area, p1.x, p1.y, p2.x, p2.y);
    DrawLine(pen, size, area, p2.x, p2.y, p0.x, p0.y);
}

}  // namespace

void CImage::Resize(int size) {
    size = std::max(size, 0);
    if (size == m_size) {
        return;
    }
    const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
    std::vector<std::uint32_t>(count, kOpaqueBlack).swap(m_pixels);
    m_size = size;
}

std::uint32_t& CImage::Pixel(int x, int y) {
    assert(x >= 0 && x < m_size && y >= 0 && y < m_size);
    return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_size) +
                    static_cast<std::size_t>(x)];
}

std::uint32_t CImage::Pixel(int x, int y) const {
    assert(x >= 0 && x < m_size && y >= 0 && y < m_size);
    return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_size) +
                    static_cast<std::size_t>(x)];
}

void CImage::Fill(std::uint32_t colour) {
    std::fill(m_pixels.begin(), m_pixels.end(), colour);
}

void FillRect(CImage& image, int x, int y, int w, int h, std::uint32_t colour, const CRasterClip& clip) {
    FillSpan(image, VisibleArea(image, clip), x, y, std::int64_t{x} + w, std::int64_t{y} + h, colour);
}

void Line(CImage& image, int x0, int y0, int x1, int y1, std::uint32_t colour, const CRasterClip& clip) {
    SColourPen pen{image.Data(), colour};
    DrawLine(pen, image.Size(), VisibleArea(image, clip), x0, y0, x1, y1);
}

void FillTriangleInterior(CImage& image, PixelPoint p0, PixelPoint p1, PixelPoint p2, std::uint32_t colour,
                          const CRasterClip& clip) {
    SColourPen pen{image.Data(), colour};
    FillInteriorExact(pen, image.Size(), VisibleArea(image, clip), p0, p1, p2);
}

void FillTriangle(CImage& image, PixelPoint p0, PixelPoint p1, PixelPoint p2, std::uint32_t colour,
                  const CRasterClip& clip) {
    SColourPen pen{image.Data(), colour};
    DrawSolidTriangle(pen, image.Size(), VisibleArea(image, clip), p0, p1, p2);
}

void CDepthPen::Settle(std::uint64_t* plane, std::int64_t index, std::uint64_t held, std::uint64_t offered) {
    const std::uint32_t holder = DepthCellMark(held);
    const std::uint32_t mark = DepthCellMark(offered);
    if (holder == mark || mark == 0) {
        return;  // the same primitive again, or nothing offered
    }
    if (holder == 0) {
        plane[index] = offered;
        return;
    }
    const double heldKey = keys->KeyOf(holder - 1);
    const double offeredKey = keys->KeyOf(mark - 1);
    if (offeredKey < heldKey) {
        plane[index] = offered;
    } else if (offeredKey == heldKey) {
        NoteTie(holder - 1, mark - 1);
    }
}

void FillTriangle(CDepthPen& pen, PixelPoint p0, PixelPoint p1, PixelPoint p2, const CRasterClip& clip) {
    DrawSolidTriangle(pen, pen.size, VisibleArea(pen.size, clip), p0, p1, p2);
}

void SetPixel(CImage& image, int x, int y, std::uint32_t colour, const CRasterClip& clip) {
    if (VisibleArea(image, clip).Contains(x, y)) {
        image.Data()[std::int64_t{y} * image.Size() + x] = colour;
    }
}

void Draw3dRect(CImage& image, int x, int y, int w, int h, std::uint32_t topLeftColour,
                std::uint32_t bottomRightColour, const CRasterClip& clip) {
    if (w <= 0 || h <= 0) {
        return;
    }
    const SArea area = VisibleArea(image, clip);
    const std::int64_t left = x;
    const std::int64_t top = y;
    const std::int64_t right = left + w - 1;
    const std::int64_t bottom = top + h - 1;
    FillSpan(image, area, left, top, right, top + 1, topLeftColour);
    FillSpan(image, area, left, top, left + 1, bottom, topLeftColour);
    FillSpan(image, area, right, top, right + 1, bottom + 1, bottomRightColour);
    FillSpan(image, area, left, bottom, right + 1, bottom + 1, bottomRightColour);
}

}  // namespace quorvane
