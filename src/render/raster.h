// Software raster operations on a square 32-bit image: rectangle fill, one-pixel lines, filled
// triangles with their outline, single pixels and the 3-D marker frame. Every primitive is clipped
// to the image (and optionally to a band of rows), accepts any int coordinates and costs about as
// much as its visible part.
#pragma once

#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "viewing/pixel.h"

namespace quorvane {

// A square image of side S of 0xFFRRGGBB pixels (Qt's RGB32 layout), row-major, row 0 at the top,
// rows stored back to back with no padding.
class CImage {
  public:
    // Makes the image S x S (a negative S counts as 0). Only a change of size reallocates; the new
    // pixels are then opaque black. An unchanged size keeps the pixels as they are.
    void Resize(int size);

    int Size() const { return m_size; }
    std::uint32_t* Data() { return m_pixels.data(); }
    const std::uint32_t* Data() const { return m_pixels.data(); }
    // The pixel in column x of row y; both must lie in 0 .. S - 1.
    std::uint32_t& Pixel(int x, int y);
    std::uint32_t Pixel(int x, int y) const;

    // Sets every pixel to `colour`.
    void Fill(std::uint32_t colour);

  private:
    std::vector<std::uint32_t> m_pixels;
    int m_size = 0;
};

// Restricts drawing to the rows [rowBegin, rowEnd). Drawing the same primitives once per band, for
// bands that tile the image, sets exactly the pixels that drawing them once without a band sets;
// a band never changes which pixels a primitive sets inside it. The default is every row.
struct CRasterClip {
    int rowBegin = INT_MIN;
    int rowEnd = INT_MAX;
};

// Fills columns x .. x + w - 1 of rows y .. y + h - 1. Nothing is drawn when w <= 0 or h <= 0.
void FillRect(CImage& image, int x, int y, int w, int h, std::uint32_t colour, const CRasterClip& clip = {});

// Draws the one-pixel line from (x0, y0) toward (x1, y1) and leaves out its last pixel (x1, y1),
// so that a chain of lines sets each joint once. With n = max(|dx|, |dy|) steps along the major
// axis, step i (0 <= i < n) sets the pixel whose minor-axis offset from the start is i * m / n
// (m the minor extent) rounded to the nearest integer; an exact half rounds toward the start point.
// A zero-length line draws nothing. Clipping never changes which visible pixels are set.
void Line(CImage& image, int x0, int y0, int x1, int y1, std::uint32_t colour, const CRasterClip& clip = {});

// Sets the pixels inside the triangle: a pixel is inside when its position (x, y), the point lines
// pass through, is strictly inside, or lies on a top edge (horizontal, interior below) or a left
// edge (interior to its right). Triangles that share an edge therefore set each pixel along it
// exactly once and leave no gap. A degenerate (collinear) triangle has no inside.
void FillTriangleInterior(CImage& image, PixelPoint p0, PixelPoint p1, PixelPoint p2, std::uint32_t colour,
                          const CRasterClip& clip = {});

// Draws a solid triangle with a one-pixel outline of the same colour: the inside as
// FillTriangleInterior gives it, united with the lines p0 -> p1, p1 -> p2 and p2 -> p0 (each one
// leaves out its last pixel, which the next one starts at, so every corner is drawn). A collinear
// triangle draws its outline alone; three equal corners draw that one pixel.
void FillTriangle(CImage& image, PixelPoint p0, PixelPoint p1, PixelPoint p2, std::uint32_t colour,
                  const CRasterClip& clip = {});

// Two primitives at the same key offered the same pixel: the one that held it and the one offered.
struct CDepthTie {
    std::uint32_t held;
    std::uint32_t offered;
};

// The exact keys of the primitives a depth pen draws, asked for by id where two keys are too close
// for the cells to order them.
class IDepthKeys {
  public:
    virtual double KeyOf(std::uint32_t id) const = 0;

  protected:
    ~IDepthKeys() = default;
};

// A depth cell of one 64-bit number: in the high half the key rounded to a float, in an order where
// nearer (smaller) keys are larger numbers; in the low half the primitive's id plus one. 0 is the
// empty cell, which every key orders behind. Rounding keeps the order of keys, so two cells whose
// high halves differ are ordered as their keys are, and the larger cell is the nearer.
inline std::uint64_t DepthCell(double key, std::uint32_t id) {
    // The float nearest the key, or the infinity on its side beyond the floats (also for a key that
    // is not a number): rounding to nearest never reverses two keys.
    constexpr double kLargest = std::numeric_limits<float>::max();
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const float rounded =
        key <= kLargest ? (key >= -kLargest ? static_cast<float>(key) : -kInfinity) : kInfinity;
    // Adding zero makes -0 the +0 it equals.
    const auto bits = std::bit_cast<std::uint32_t>(rounded + 0.0f);
    // The float's bits as a number that grows with the float, then turned so that it shrinks.
    const std::uint32_t farther = (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
    return (std::uint64_t{~farther} << 32) | (std::uint64_t{id} + 1);
}

// The id plus one of the primitive in a cell, 0 for none.
inline std::uint32_t DepthCellMark(std::uint64_t cell) {
    return static_cast<std::uint32_t>(cell);
}

// Depth-tested drawing into a plane of depth cells of an image of side `size` (row-major, as the
// pixels), so that planes of zero bytes are empty. A pixel takes the primitive when none holds it or
// the primitive's key is smaller than the holder's: the nearest primitive wins whatever the order of
// drawing. Cells whose rounded keys are equal are ordered by the exact keys, which `keys` gives. At
// an equal key another primitive is a tie, which only the order could settle: the pixel is kept and
// the pair noted in `ties` (a pair repeated at once, as along one primitive, only once); with no
// room left, `tiesOverflowed` is set.
struct CDepthPen {
    std::uint64_t* cells = nullptr;
    int size = 0;
    const IDepthKeys* keys = nullptr;
    // DepthCell of the primitive being drawn.
    std::uint64_t cell = 0;
    CDepthTie* ties = nullptr;
    std::size_t tieCapacity = 0;
    std::size_t tieCount = 0;
    bool tiesOverflowed = false;

    // Draws primitive `id` at `key` from now on.
    void Take(double key, std::uint32_t id) { cell = DepthCell(key, id); }
    // Offers the pixel at `index` (y * size + x).
    void Plot(std::int64_t index) { TestPixel(cells, index, cell); }
    // The same with the plane and the cell at hand, for callers that keep them in registers: stores
    // to the plane could otherwise change the members, as far as the compiler knows, and it would
    // read them again for every pixel. The nearer of the two is written back without a branch, as
    // which one wins is hard to predict where surfaces overlap.
    void TestPixel(std::uint64_t* plane, std::int64_t index, std::uint64_t offered) {
        const std::uint64_t held = plane[index];
        // A cell offered again to the pixel it holds leaves it as it is.
        if (((held ^ offered) >> 32) == 0 && held != offered) [[unlikely]] {
            Settle(plane, index, held, offered);
            return;
        }
        plane[index] = held > offered ? held : offered;
    }
    void PlotIf(bool inside, std::int64_t index) {
        if (inside) {
            Plot(index);
        }
    }
    // Orders two cells whose rounded keys are equal by their exact keys.
    void Settle(std::uint64_t* plane, std::int64_t index, std::uint64_t held, std::uint64_t offered);

    void NoteTie(std::uint32_t held, std::uint32_t offered) {
        if (tieCount > 0 && ties[tieCount - 1].held == held && ties[tieCount - 1].offered == offered) {
            return;
        }
        if (tieCount == tieCapacity) {
            tiesOverflowed = true;
            return;
        }
        ties[tieCount++] = {held, offered};
    }
};

// FillTriangle's pixels offered to the depth-tested pen with its key and id.
void FillTriangle(CDepthPen& pen, PixelPoint p0, PixelPoint p1, PixelPoint p2, const CRasterClip& clip = {});

// Sets pixel (x, y); a position outside the image or the band is ignored.
void SetPixel(CImage& image, int x, int y, std::uint32_t colour, const CRasterClip& clip = {});

// Draws a w x h frame with its top-left corner at (x, y): the top edge (row y, columns x .. x + w - 2)
// and the left edge (column x, rows y .. y + h - 2) in `topLeftColour`, then the right edge
// (column x + w - 1, rows y .. y + h - 1) and the bottom edge (row y + h - 1, columns x .. x + w - 1)
// in `bottomRightColour`. The inside is left as it is. Nothing is drawn when w <= 0 or h <= 0.
void Draw3dRect(CImage& image, int x, int y, int w, int h, std::uint32_t topLeftColour,
                std::uint32_t bottomRightColour, const CRasterClip& clip = {});

}  // namespace quorvane
