#include "render/raster.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::uint32_t kBackground = 0xFF000000u;
constexpr std::uint32_t kInk = 0xFF336699u;
constexpr std::uint32_t kGrey = 0xFFAAAAAAu;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

struct SPixel {
    int x;
    int y;
    auto operator<=>(const SPixel&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SPixel& p) {
    return out << '(' << p.x << ',' << p.y << ')';
}

CImage MakeImage(int size, std::uint32_t background = kBackground) {
    CImage image;
    image.Resize(size);
    image.Fill(background);
    return image;
}

// The pixels of `colour`, sorted.
std::vector<SPixel> PixelsOf(const CImage& image, std::uint32_t colour) {
    std::vector<SPixel> pixels;
    for (int y = 0; y < image.Size(); ++y) {
        for (int x = 0; x < image.Size(); ++x) {
            if (image.Pixel(x, y) == colour) {
                pixels.push_back({x, y});
            }
        }
    }
    std::sort(pixels.begin(), pixels.end());
    return pixels;
}

std::vector<SPixel> Sorted(std::vector<SPixel> pixels) {
    std::sort(pixels.begin(), pixels.end());
    pixels.erase(std::unique(pixels.begin(), pixels.end()), pixels.end());
    return pixels;
}

// The image as text, one string per row: '#' for kInk, 'g' for kGrey, 'w' for kWhite, '.' for the
// background and '?' for anything else.
std::vector<std::string> Picture(const CImage& image) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.Size(); ++y) {
        std::string row;
        for (int x = 0; x < image.Size(); ++x) {
            const std::uint32_t p = image.Pixel(x, y);
            row += p == kInk ? '#' : p == kGrey ? 'g' : p == kWhite ? 'w' : p == kBackground ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

// Every step of the line taken one by one: the minor offset at step i is i * m / n rounded to the
// nearest integer, an exact half toward the start. Pixels outside columns [0, size) and rows
// [rowBegin, rowEnd) are dropped.
std::vector<SPixel> ReferenceLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                                  int size, int rowBegin, int rowEnd) {
    const std::int64_t dx = x1 - x0;
    const std::int64_t dy = y1 - y0;
    const std::int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t m = xMajor ? std::llabs(dy) : std::llabs(dx);
    const std::int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const std::int64_t minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    std::vector<SPixel> pixels;
    for (std::int64_t i = 0; i < n; ++i) {
        const std::int64_t quotient = i * m / n;
        const std::int64_t remainder = i * m % n;
        const std::int64_t offset = quotient + (2 * remainder > n ? 1 : 0);
        const std::int64_t x = xMajor ? x0 + majorSign * i : x0 + minorSign * offset;
        const std::int64_t y = xMajor ? y0 + minorSign * offset : y0 + majorSign * i;
        if (x >= 0 && x < size && y >= 0 && y < size && y >= rowBegin && y < rowEnd) {
            pixels.push_back({static_cast<int>(x), static_cast<int>(y)});
        }
    }
    return Sorted(pixels);
}

std::vector<SPixel> ReferenceLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                                  int size) {
    return ReferenceLine(x0, y0, x1, y1, size, 0, size);
}

// -------------------------------------------------------------------------------------------------
// CImage

TEST(ImageTest, ResizeKeepsPixelsOnlyWhenTheSizeIsUnchanged) {
    CImage image = MakeImage(3, kInk);
    const std::uint32_t* before = image.Data();
    image.Resize(3);
    EXPECT_EQ(image.Data(), before);
    EXPECT_EQ(PixelsOf(image, kInk).size(), 9u);

    image.Resize(5);
    EXPECT_EQ(image.Size(), 5);
    EXPECT_EQ(PixelsOf(image, 0xFF000000u).size(), 25u);

    image.Resize(-4);
    EXPECT_EQ(image.Size(), 0);
}

TEST(ImageTest, PixelsAreRowMajorWithRowZeroAtTheTop) {
    CImage image = MakeImage(4);
    image.Pixel(3, 1) = kInk;
    EXPECT_EQ(image.Data()[1 * 4 + 3], kInk);
    EXPECT_EQ(std::as_const(image).Pixel(3, 1), kInk);
}

TEST(ImageTest, EmptyImageAcceptsEveryPrimitive) {
    CImage image;
    FillRect(image, 0, 0, 10, 10, kInk);
    Line(image, -5, -5, 5, 5, kInk);
    FillTriangle(image, {0, 0}, {5, 0}, {0, 5}, kInk);
    SetPixel(image, 0, 0, kInk);
    Draw3dRect(image, 0, 0, 4, 4, kGrey, kWhite);
    EXPECT_EQ(image.Size(), 0);
}

// -------------------------------------------------------------------------------------------------
// FillRect and SetPixel

struct SRectCase {
    int x, y, w, h;
    int left, top, right, bottom;  // expected pixels [left, right) x [top, bottom); empty when left == right
};

TEST(FillRectTest, FillsTheRectangleCutToTheImage) {
    const SRectCase cases[] = {
        {1, 2, 3, 2, 1, 2, 4, 4},
        {-5, -5, 7, 6, 0, 0, 2, 1},
        {6, 6, 10, 10, 6, 6, 8, 8},
        {2, 2, 0, 5, 0, 0, 0, 0},
        {2, 2, -3, 5, 0, 0, 0, 0},
        {0, 0, INT_MAX, INT_MAX, 0, 0, 8, 8},
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 0, 0},
        {INT_MAX, 0, INT_MAX, 8, 0, 0, 0, 0},
        {INT_MIN, 3, -1, 1, 0, 0, 0, 0},
    };
    for (const SRectCase& c : cases) {
        CImage image = MakeImage(8);
        FillRect(image, c.x, c.y, c.w, c.h, kInk);
        std::vector<SPixel> expected;
        for (int y = c.top; y < c.bottom; ++y) {
            for (int x = c.left; x < c.right; ++x) {
                expected.push_back({x, y});
            }
        }
        EXPECT_EQ(PixelsOf(image, kInk), Sorted(expected)) << c.x << ' ' << c.y << ' ' << c.w << ' ' << c.h;
    }
}

TEST(SetPixelTest, IgnoresPositionsOutsideTheImageAndBand) {
    CImage image = MakeImage(4);
    const int outside[][2] = {{-1, 0},     {0, -1}, {4, 0}, {0, 4}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX},
                              {INT_MAX, 0}};
    for (const auto& p : outside) {
        SetPixel(image, p[0], p[1], kInk);
    }
    SetPixel(image, 2, 1, kInk, CRasterClip{2, 4});
    EXPECT_TRUE(PixelsOf(image, kInk).empty());
    SetPixel(image, 3, 3, kInk);
    SetPixel(image, 0, 2, kInk, CRasterClip{2, 3});
    EXPECT_EQ(PixelsOf(image, kInk), (std::vector<SPixel>{{0, 2}, {3, 3}}));
}

// -------------------------------------------------------------------------------------------------
// Line

struct SLineCase {
    int x0, y0, x1, y1;
    std::vector<SPixel> pixels;
};

TEST(LineTest, LeavesOutLastPixelInEveryOctant) {
    const SLineCase cases[] = {
        {20, 20, 25, 22, {{20, 20}, {21, 20}, {22, 21}, {23, 21}, {24, 22}}},
        {20, 20, 22, 25, {{20, 20}, {20, 21}, {21, 22}, {21, 23}, {22, 24}}},
        {20, 20, 18, 25, {{20, 20}, {20, 21}, {19, 22}, {19, 23}, {18, 24}}},
        {20, 20, 15, 22, {{20, 20}, {19, 20}, {18, 21}, {17, 21}, {16, 22}}},
        {20, 20, 15, 18, {{20, 20}, {19, 20}, {18, 19}, {17, 19}, {16, 18}}},
        {20, 20, 18, 15, {{20, 20}, {20, 19}, {19, 18}, {19, 17}, {18, 16}}},
        {20, 20, 22, 15, {{20, 20}, {20, 19}, {21, 18}, {21, 17}, {22, 16}}},
        {20, 20, 25, 18, {{20, 20}, {21, 20}, {22, 19}, {23, 19}, {24, 18}}},
    };
    for (const SLineCase& c : cases) {
        CImage image = MakeImage(40);
        Line(image, c.x0, c.y0, c.x1, c.y1, kInk);
        EXPECT_EQ(PixelsOf(image, kInk), Sorted(c.pixels)) << "to " << c.x1 << ',' << c.y1;
        EXPECT_EQ(image.Pixel(c.x1, c.y1), kBackground);
    }
}

// Draws each line alone on an 8 x 8 image and compares the pixels it sets.
template <std::size_t N>
void ExpectLinePixels(const SLineCase (&cases)[N]) {
    for (const SLineCase& c : cases) {
        CImage image = MakeImage(8);
        Line(image, c.x0, c.y0, c.x1, c.y1, kInk);
        EXPECT_EQ(PixelsOf(image, kInk), Sorted(c.pixels))
            << c.x0 << ',' << c.y0 << " to " << c.x1 << ',' << c.y1;
    }
}

TEST(LineTest, BreaksExactHalvesTowardTheStart) {
    const SLineCase cases[] = {
        {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {4, 2, 0, 0, {{4, 2}, {3, 2}, {2, 1}, {1, 1}}},
        {0, 0, 2, 4, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {2, 4, 0, 0, {{2, 4}, {2, 3}, {1, 2}, {1, 1}}},
        {0, 0, 2, 1, {{0, 0}, {1, 0}}},
        {2, 1, 0, 0, {{2, 1}, {1, 1}}},
    };
    ExpectLinePixels(cases);
}

TEST(LineTest, AxisAndDiagonalLinesSetExactPixels) {
    const SLineCase cases[] = {
        {3, 5, 7, 5, {{3, 5}, {4, 5}, {5, 5}, {6, 5}}},
        {7, 5, 3, 5, {{7, 5}, {6, 5}, {5, 5}, {4, 5}}},
        {3, 5, 3, 1, {{3, 5}, {3, 4}, {3, 3}, {3, 2}}},
        {3, 1, 3, 5, {{3, 1}, {3, 2}, {3, 3}, {3, 4}}},
        {2, 2, 6, 6, {{2, 2}, {3, 3}, {4, 4}, {5, 5}}},
        {6, 6, 2, 2, {{6, 6}, {5, 5}, {4, 4}, {3, 3}}},
        {6, 2, 2, 6, {{6, 2}, {5, 3}, {4, 4}, {3, 5}}},
        {2, 6, 6, 2, {{2, 6}, {3, 5}, {4, 4}, {5, 3}}},
        {0, 0, 1, 0, {{0, 0}}},
        {0, 0, 1, 1, {{0, 0}}},
    };
    ExpectLinePixels(cases);
}

TEST(LineTest, ZeroLengthLineDrawsNothing) {
    CImage image = MakeImage(8);
    Line(image, 3, 3, 3, 3, kInk);
    Line(image, 0, 0, 0, 0, kInk);
    Line(image, INT_MIN, INT_MAX, INT_MIN, INT_MAX, kInk);
    EXPECT_TRUE(PixelsOf(image, kInk).empty());
}

TEST(LineTest, ClippedLinesMatchEveryStepReference) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> near(-60, 110);
    for (int trial = 0; trial < 20000; ++trial) {
        const int size = std::uniform_int_distribution<int>(1, 48)(random);
        const int x0 = near(random), y0 = near(random), x1 = near(random), y1 = near(random);
        int rowBegin = std::uniform_int_distribution<int>(-5, size)(random);
        int rowEnd = std::uniform_int_distribution<int>(rowBegin, size + 5)(random);
        if (trial % 3 == 0) {
            rowBegin = 0;
            rowEnd = size;
        }
        CImage image = MakeImage(size);
        Line(image, x0, y0, x1, y1, kInk, CRasterClip{rowBegin, rowEnd});
        ASSERT_EQ(PixelsOf(image, kInk), ReferenceLine(x0, y0, x1, y1, size, rowBegin, rowEnd))
            << x0 << ',' << y0 << " to " << x1 << ',' << y1 << " size " << size << " rows " << rowBegin
            << ".." << rowEnd;
    }
}

TEST(LineTest, LongLinesThroughTheImageMatchEveryStepReference) {
    // Each line runs far beyond the image on both sides and passes exactly through a pixel of it.
    std::mt19937 random(777);
    std::uniform_int_distribution<int> direction(-2000, 2000);
    std::uniform_int_distribution<int> reach(1, 120);
    for (int trial = 0; trial < 60; ++trial) {
        const int size = 32;
        const int cx = std::uniform_int_distribution<int>(0, size - 1)(random);
        const int cy = std::uniform_int_distribution<int>(0, size - 1)(random);
        const int dx = direction(random), dy = direction(random);
        const int k0 = reach(random), k1 = reach(random);
        const int x0 = cx - k0 * dx, y0 = cy - k0 * dy, x1 = cx + k1 * dx, y1 = cy + k1 * dy;
        CImage image = MakeImage(size);
        Line(image, x0, y0, x1, y1, kInk);
        const std::vector<SPixel> expected = ReferenceLine(x0, y0, x1, y1, size);
        ASSERT_EQ(PixelsOf(image, kInk), expected) << x0 << ',' << y0 << " to " << x1 << ',' << y1;
        if (dx != 0 || dy != 0) {
            EXPECT_TRUE(std::binary_search(expected.begin(), expected.end(), SPixel{cx, cy}));
        }
    }
}

TEST(LineTest, HugeLinesThroughAPixelMatchTheirShortCounterparts) {
    // A line through pixel c along d, reaching up to about 2e9 on either side, rounds its steps near
    // c exactly as the short line from c - 100 d to c + 100 d does, since c is a whole step of both.
    std::mt19937 random(8080);
    std::uniform_int_distribution<int> direction(-50, 50);
    const int size = 32;
    for (int trial = 0; trial < 2000; ++trial) {
        const int cx = std::uniform_int_distribution<int>(0, size - 1)(random);
        const int cy = std::uniform_int_distribution<int>(0, size - 1)(random);
        const int dx = direction(random), dy = direction(random);
        if (dx == 0 && dy == 0) {
            continue;
        }
        const int reach = 2000000000 / std::max(std::abs(dx), std::abs(dy)) - 64;
        const int k0 = std::uniform_int_distribution<int>(reach / 2, reach)(random);
        const int k1 = std::uniform_int_distribution<int>(reach / 2, reach)(random);
        CImage image = MakeImage(size);
        Line(image, cx - k0 * dx, cy - k0 * dy, cx + k1 * dx, cy + k1 * dy, kInk);
        ASSERT_EQ(PixelsOf(image, kInk),
                  ReferenceLine(cx - 100 * dx, cy - 100 * dy, cx + 100 * dx, cy + 100 * dy, size))
            << "through " << cx << ',' << cy << " along " << dx << ',' << dy;
    }
}

TEST(LineTest, HugeLinesSetExactlyTheirVisiblePixels) {
    struct SCase {
        int x0, y0, x1, y1;
        bool row;   // the visible pixels form a whole row (else a whole column, or the diagonal)
        int index;  // which row or column; -1 for the main diagonal
    };
    const SCase cases[] = {
        {-2000000000, 5, 2000000000, 7, true, 6},
        {2000000000, 7, -2000000000, 5, true, 6},
        {5, -2000000000, 7, 2000000000, false, 6},
        {INT_MIN, 0, INT_MAX, 1, true, 1},
        {INT_MAX, 1, INT_MIN, 0, true, 1},
        {0, INT_MIN, 0, INT_MAX, false, 0},
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, false, -1},
        {INT_MAX, INT_MAX, INT_MIN, INT_MIN, false, -1},
    };
    const int size = 16;
    for (const SCase& c : cases) {
        CImage image = MakeImage(size);
        Line(image, c.x0, c.y0, c.x1, c.y1, kInk);
        std::vector<SPixel> expected;
        for (int i = 0; i < size; ++i) {
            expected.push_back(c.index < 0 ? SPixel{i, i} : c.row ? SPixel{i, c.index} : SPixel{c.index, i});
        }
        EXPECT_EQ(PixelsOf(image, kInk), Sorted(expected))
            << c.x0 << ',' << c.y0 << " to " << c.x1 << ',' << c.y1;
    }
}

// -------------------------------------------------------------------------------------------------
// Triangles

// Twice the signed area of the triangle a, b, c.
std::int64_t Cross(SPixel a, SPixel b, SPixel c) {
    return (std::int64_t{b.x} - a.x) * (std::int64_t{c.y} - a.y) -
           (std::int64_t{b.y} - a.y) * (std::int64_t{c.x} - a.x);
}

TEST(TriangleTest, SolidTriangleSetsOutlineAndInside) {
    const std::vector<std::string> expected = {
        "........",  //
        ".######.",  //
        ".#####..",  //
        ".####...",  //
        ".###....",  //
        ".##.....",  //
        ".#......",  //
        "........",  //
    };
    CImage clockwise = MakeImage(8);
    FillTriangle(clockwise, {1, 1}, {6, 1}, {1, 6}, kInk);
    EXPECT_EQ(Picture(clockwise), expected);
    CImage counterClockwise = MakeImage(8);
    FillTriangle(counterClockwise, {1, 6}, {6, 1}, {1, 1}, kInk);
    EXPECT_EQ(Picture(counterClockwise), expected);
}

TEST(TriangleTest, InsideExcludesBottomAndRightEdges) {
    CImage image = MakeImage(8);
    FillTriangleInterior(image, {1, 1}, {6, 1}, {1, 6}, kInk);
    EXPECT_EQ(Picture(image), (std::vector<std::string>{
                                  "........",  //
                                  ".#####..",  //
                                  ".####...",  //
                                  ".###....",  //
                                  ".##.....",  //
                                  ".#......",  //
                                  "........",  //
                                  "........",  //
                              }));
}

TEST(TriangleTest, SetPixelsLieBetweenTheOpenTriangleAndItsClosureWithOutline) {
    // Every pixel strictly inside carries the colour, every pixel on the outline lines does, and
    // nothing outside the closed triangle and the outline is touched.
    std::mt19937 random(99);
    std::uniform_int_distribution<int> coordinate(-6, 30);
    const int size = 24;
    for (int trial = 0; trial < 3000; ++trial) {
        const SPixel p[3] = {{coordinate(random), coordinate(random)},
                             {coordinate(random), coordinate(random)},
                             {coordinate(random), coordinate(random)}};
        CImage image = MakeImage(size);
        FillTriangle(image, {p[0].x, p[0].y}, {p[1].x, p[1].y}, {p[2].x, p[2].y}, kInk);
        std::vector<SPixel> outline;
        for (int k = 0; k < 3; ++k) {
            const std::vector<SPixel> line =
                ReferenceLine(p[k].x, p[k].y, p[(k + 1) % 3].x, p[(k + 1) % 3].y, size);
            outline.insert(outline.end(), line.begin(), line.end());
        }
        outline = Sorted(outline);
        const bool flat = Cross(p[0], p[1], p[2]) == 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const SPixel q{x, y};
                const std::int64_t e0 = Cross(p[0], p[1], q), e1 = Cross(p[1], p[2], q),
                                   e2 = Cross(p[2], p[0], q);
                const bool open = !flat && ((e0 > 0 && e1 > 0 && e2 > 0) || (e0 < 0 && e1 < 0 && e2 < 0));
                const bool closed =
                    !flat && ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0));
                const bool onOutline = std::binary_search(outline.begin(), outline.end(), q);
                const std::uint32_t pixel = image.Pixel(x, y);
                if (open || onOutline) {
                    ASSERT_EQ(pixel, kInk) << "pixel " << x << ',' << y << " trial " << trial;
                } else if (!closed) {
                    ASSERT_EQ(pixel, kBackground) << "pixel " << x << ',' << y << " trial " << trial;
                } else {
                    ASSERT_TRUE(pixel == kInk || pixel == kBackground);
                }
            }
        }
    }
}

// Adds one to `counts` for every pixel the triangle's inside sets.
void CountInside(std::vector<int>& counts, CImage& scratch, SPixel a, SPixel b, SPixel c) {
    scratch.Fill(0);
    FillTriangleInterior(scratch, {a.x, a.y}, {b.x, b.y}, {c.x, c.y}, 1);
    for (std::size_t i = 0; i < counts.size(); ++i) {
        counts[i] += static_cast<int>(scratch.Data()[i]);
    }
}

TEST(TriangleTest, FanOverASquareSetsEveryPixelOnceAndLeavesNoGap) {
    std::mt19937 random(2024);
    const int size = 40;
    for (int trial = 0; trial < 300; ++trial) {
        const int lo = std::uniform_int_distribution<int>(2, 8)(random);
        const int hi = std::uniform_int_distribution<int>(lo + 2, size - 3)(random);
        // The square's boundary, clockwise on screen, with random extra points on each side.
        std::uniform_int_distribution<int> along(lo + 1, hi - 1);
        std::vector<SPixel> boundary;
        auto addSide = [&](SPixel from, int dxSign, int dySign) {
            std::vector<int> stops = {lo, hi};
            const int extra = std::uniform_int_distribution<int>(0, 3)(random);
            for (int k = 0; k < extra; ++k) {
                stops.push_back(along(random));
            }
            std::sort(stops.begin(), stops.end());
            stops.erase(std::unique(stops.begin(), stops.end()), stops.end());
            for (std::size_t k = 0; k + 1 < stops.size(); ++k) {
                const int t = stops[k] - lo;
                boundary.push_back({from.x + dxSign * t, from.y + dySign * t});
            }
        };
        addSide({lo, lo}, 1, 0);
        addSide({hi, lo}, 0, 1);
        addSide({hi, hi}, -1, 0);
        addSide({lo, hi}, 0, -1);
        const SPixel apex =
            trial % 2 == 0
                ? SPixel{along(random), along(random)}
                : boundary[std::uniform_int_distribution<std::size_t>(0, boundary.size() - 1)(random)];

        std::vector<int> counts(static_cast<std::size_t>(size) * size, 0);
        CImage scratch = MakeImage(size);
        CImage solid = MakeImage(size);
        for (std::size_t k = 0; k < boundary.size(); ++k) {
            const SPixel b = boundary[k];
            const SPixel c = boundary[(k + 1) % boundary.size()];
            CountInside(counts, scratch, apex, b, c);
            FillTriangle(solid, {apex.x, apex.y}, {b.x, b.y}, {c.x, c.y}, kInk);
        }
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const bool inside = x >= lo && x < hi && y >= lo && y < hi;
                ASSERT_EQ(counts[static_cast<std::size_t>(y) * size + x], inside ? 1 : 0)
                    << "pixel " << x << ',' << y << " trial " << trial;
                const bool closed = x >= lo && x <= hi && y >= lo && y <= hi;
                if (inside) {
                    ASSERT_EQ(solid.Pixel(x, y), kInk);
                } else if (!closed) {
                    ASSERT_EQ(solid.Pixel(x, y), kBackground);
                }
            }
        }
    }
}

TEST(TriangleTest, BothDiagonalsOfAConvexQuadCoverTheSamePixelsOnce) {
    std::mt19937 random(31);
    std::uniform_int_distribution<int> coordinate(-4, 36);
    const int size = 32;
    int tested = 0;
    while (tested < 1500) {
        const SPixel q[4] = {{coordinate(random), coordinate(random)},
                             {coordinate(random), coordinate(random)},
                             {coordinate(random), coordinate(random)},
                             {coordinate(random), coordinate(random)}};
        const std::int64_t turns[4] = {Cross(q[0], q[1], q[2]), Cross(q[1], q[2], q[3]),
                                       Cross(q[2], q[3], q[0]), Cross(q[3], q[0], q[1])};
        const bool convex = std::all_of(turns, turns + 4, [](std::int64_t t) { return t > 0; }) ||
                            std::all_of(turns, turns + 4, [](std::int64_t t) { return t < 0; });
        if (!convex) {
            continue;
        }
        ++tested;
        std::vector<int> first(static_cast<std::size_t>(size) * size, 0);
        std::vector<int> second(first.size(), 0);
        CImage scratch = MakeImage(size);
        CountInside(first, scratch, q[0], q[1], q[2]);
        CountInside(first, scratch, q[0], q[2], q[3]);
        CountInside(second, scratch, q[1], q[2], q[3]);
        CountInside(second, scratch, q[1], q[3], q[0]);
        ASSERT_EQ(first, second);
        ASSERT_TRUE(std::all_of(first.begin(), first.end(), [](int c) { return c <= 1; }));
    }
}

TEST(TriangleTest, DegenerateTrianglesDrawTheirOutlineOnly) {
    struct SCase {
        SPixel a, b, c;
        std::vector<SPixel> pixels;
    };
    const SCase cases[] = {
        {{0, 0}, {2, 1}, {4, 2}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {3, 2}, {1, 1}}},
        {{2, 2}, {2, 2}, {5, 2}, {{2, 2}, {3, 2}, {4, 2}, {5, 2}}},
        {{1, 6}, {1, 1}, {1, 3}, {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}}},
        {{3, 3}, {3, 3}, {3, 3}, {{3, 3}}},
    };
    for (const SCase& c : cases) {
        CImage image = MakeImage(8);
        FillTriangleInterior(image, {c.a.x, c.a.y}, {c.b.x, c.b.y}, {c.c.x, c.c.y}, kInk);
        EXPECT_TRUE(PixelsOf(image, kInk).empty());
        FillTriangle(image, {c.a.x, c.a.y}, {c.b.x, c.b.y}, {c.c.x, c.c.y}, kInk);
        EXPECT_EQ(PixelsOf(image, kInk), Sorted(c.pixels));
    }
}

TEST(TriangleTest, FarCornersGiveTheSamePixelsAsNearOnesAlongTheSameEdges) {
    // Two edges leave a corner inside the image along fixed directions; whether the other corners
    // are a little or very far out (beyond the 64-bit fast range) must not change the picture.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> direction(-3, 3);
    const int size = 16;
    for (int trial = 0; trial < 200; ++trial) {
        const int vx = std::uniform_int_distribution<int>(0, size - 1)(random);
        const int vy = std::uniform_int_distribution<int>(0, size - 1)(random);
        const int ax = direction(random), ay = direction(random), bx = direction(random),
                  by = direction(random);
        CImage nearImage = MakeImage(size);
        CImage farImage = MakeImage(size);
        const int nearScale = 1000, farScale = 500000000;
        FillTriangle(nearImage, {vx, vy}, {vx + nearScale * ax, vy + nearScale * ay},
                     {vx + nearScale * bx, vy + nearScale * by}, kInk);
        FillTriangle(farImage, {vx, vy}, {vx + farScale * ax, vy + farScale * ay},
                     {vx + farScale * bx, vy + farScale * by}, kInk);
        ASSERT_EQ(Picture(nearImage), Picture(farImage)) << "trial " << trial;
    }
}

TEST(BandTest, ExtremeCoordinatesNeverWriteOutsideTheBand) {
    const int values[] = {INT_MIN, INT_MIN + 1, -7, 0, 5, 16, INT_MAX - 1, INT_MAX};
    const int size = 16;
    const CRasterClip band{4, 9};
    CImage image = MakeImage(size);
    for (int a : values) {
        for (int b : values) {
            for (int c : values) {
                for (int d : values) {
                    Line(image, a, b, c, d, kInk, band);
                    FillTriangle(image, {a, b}, {c, d}, {b, a}, kInk, band);
                    FillTriangle(image, {a, c}, {b, d}, {5, 5}, kInk, band);
                    FillRect(image, a, b, c, d, kInk, band);
                    Draw3dRect(image, a, b, c, d, kInk, kInk, band);
                }
            }
        }
    }
    for (const SPixel& p : PixelsOf(image, kInk)) {
        ASSERT_TRUE(p.y >= 4 && p.y < 9) << p.x << ',' << p.y;
    }
    EXPECT_FALSE(PixelsOf(image, kInk).empty());
}

// -------------------------------------------------------------------------------------------------
// Draw3dRect

TEST(Draw3dRectTest, MarkerFrameSetsTheFourByFourPattern) {
    CImage image = MakeImage(8);
    const std::uint32_t vertexColour = 0xFF010203u;
    image.Pixel(4, 4) = vertexColour;
    Draw3dRect(image, 2, 2, 4, 4, kGrey, kWhite);
    EXPECT_EQ(Picture(image), (std::vector<std::string>{
                                  "........",  //
                                  "........",  //
                                  "..gggw..",  //
                                  "..g..w..",  //
                                  "..g.?w..",  //
                                  "..wwww..",  //
                                  "........",  //
                                  "........",  //
                              }));
    EXPECT_EQ(image.Pixel(4, 4), vertexColour);
}

TEST(Draw3dRectTest, OtherSizesAndClippedFrames) {
    struct SCase {
        int x, y, w, h;
        std::vector<std::string> picture;
    };
    const std::vector<SCase> cases = {
        {1, 1, 1, 1, {".....", ".w...", ".....", ".....", "....."}},
        {0, 1, 5, 3, {".....", "ggggw", "g...w", "wwwww", "....."}},
        {1, 0, 2, 4, {".gw..", ".gw..", ".gw..", ".ww..", "....."}},
        {-2, -2, 4, 4, {".w...", "ww...", ".....", ".....", "....."}},
        {3, 3, 4, 4, {".....", ".....", ".....", "...gg", "...g."}},
        {1, 1, 0, 3, {".....", ".....", ".....", ".....", "....."}},
        {1, 1, 3, -1, {".....", ".....", ".....", ".....", "....."}},
    };
    for (const SCase& c : cases) {
        CImage image = MakeImage(5);
        Draw3dRect(image, c.x, c.y, c.w, c.h, kGrey, kWhite);
        EXPECT_EQ(Picture(image), c.picture) << c.x << ' ' << c.y << ' ' << c.w << ' ' << c.h;
    }
}

// -------------------------------------------------------------------------------------------------
// Bands

struct SPrimitive {
    int kind;
    int v[6];
    std::uint32_t colour;
};

void DrawPrimitive(CImage& image, const SPrimitive& p, const CRasterClip& clip) {
    switch (p.kind) {
        case 0:
            FillRect(image, p.v[0], p.v[1], p.v[2], p.v[3], p.colour, clip);
            break;
        case 1:
            Line(image, p.v[0], p.v[1], p.v[2], p.v[3], p.colour, clip);
            break;
        case 2:
            FillTriangle(image, {p.v[0], p.v[1]}, {p.v[2], p.v[3]}, {p.v[4], p.v[5]}, p.colour, clip);
            break;
        case 3:
            SetPixel(image, p.v[0], p.v[1], p.colour, clip);
            break;
        default:
            Draw3dRect(image, p.v[0], p.v[1], p.v[2] % 9, p.v[3] % 9, p.colour, ~p.colour, clip);
            break;
    }
}

TEST(BandTest, BandsTogetherEqualOneUnbandedDrawing) {
    std::mt19937 random(4242);
    std::uniform_int_distribution<int> kind(0, 4);
    std::uniform_int_distribution<int> coordinate(-20, 60);
    std::uniform_int_distribution<int> huge(INT_MIN, INT_MAX);
    std::uniform_int_distribution<std::uint32_t> colour(0, 0xFFFFFF);
    const int size = 48;
    for (int trial = 0; trial < 40; ++trial) {
        std::vector<SPrimitive> primitives(300);
        for (SPrimitive& p : primitives) {
            p.kind = kind(random);
            for (int& v : p.v) {
                v = random() % 20 == 0 ? huge(random) : coordinate(random);
            }
            p.colour = 0xFF000000u | colour(random);
        }
        CImage whole = MakeImage(size);
        for (const SPrimitive& p : primitives) {
            DrawPrimitive(whole, p, {});
        }
        std::vector<int> cuts = {INT_MIN, 0, size, INT_MAX};
        for (int k = 0; k < 4; ++k) {
            cuts.push_back(std::uniform_int_distribution<int>(0, size)(random));
        }
        std::sort(cuts.begin(), cuts.end());
        CImage banded = MakeImage(size);
        // Bands are drawn last to first so that no band relies on the order of the others.
        for (std::size_t k = cuts.size() - 1; k > 0; --k) {
            const CRasterClip band{cuts[k - 1], cuts[k]};
            CImage alone = MakeImage(size);
            for (const SPrimitive& p : primitives) {
                DrawPrimitive(banded, p, band);
                DrawPrimitive(alone, p, band);
            }
            for (int y = 0; y < size; ++y) {
                if (y < band.rowBegin || y >= band.rowEnd) {
                    for (int x = 0; x < size; ++x) {
                        ASSERT_EQ(alone.Pixel(x, y), kBackground)
                            << "band " << band.rowBegin << ".." << band.rowEnd;
                    }
                }
            }
        }
        ASSERT_EQ(std::vector<std::uint32_t>(whole.Data(), whole.Data() + size * size),
                  std::vector<std::uint32_t>(banded.Data(), banded.Data() + size * size))
            << "trial " << trial;
    }
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST(TriangleTest, TriangleOfThreeEqualCornersDrawsItsPixel) {
    CImage image;
    image.Resize(8);
    image.Fill(0xFF000000u);
    FillTriangle(image, {3, 4}, {3, 4}, {3, 4}, 0xFFFFFFFFu);
    FillTriangle(image, {-1, 4}, {-1, 4}, {-1, 4}, 0xFFFFFFFFu);  // outside: ignored
    int set = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            set += image.Pixel(x, y) == 0xFFFFFFFFu;
        }
    }
    EXPECT_EQ(set, 1);
    EXPECT_EQ(image.Pixel(3, 4), 0xFFFFFFFFu);
}

// A depth layer of side `size` with no primitive: zero bytes. The exact keys are those the
// triangles were last drawn with.
struct DepthLayer final : IDepthKeys {
    explicit DepthLayer(int size) : cells(static_cast<std::size_t>(size) * size, 0u), ties(4) {
        pen.cells = cells.data();
        pen.size = size;
        pen.keys = this;
        pen.ties = ties.data();
        pen.tieCapacity = ties.size();
    }
    void Draw(PixelPoint a, PixelPoint b, PixelPoint c, double key, std::uint32_t id,
              const CRasterClip& clip = {}) {
        exact[id] = key;
        pen.Take(key, id);
        FillTriangle(pen, a, b, c, clip);
    }
    double KeyOf(std::uint32_t id) const override { return exact.at(id); }
    // The id plus one of the primitive at pixel p, 0 for none.
    std::uint32_t Mark(std::size_t p) const { return DepthCellMark(cells[p]); }

    std::vector<std::uint64_t> cells;
    std::vector<CDepthTie> ties;
    std::map<std::uint32_t, double> exact;
    CDepthPen pen;
};

// The depth-tested triangle offers exactly the pixels FillTriangle sets, in and out of a band, for
// triangles of every shape, partly outside the image and far beyond it.
TEST(DepthPenTest, OffersThePixelsFillTriangleSets) {
    std::mt19937 random(99u);
    std::uniform_int_distribution<int> near(-8, 40);
    std::uniform_int_distribution<int> far(-3000000, 3000000);
    for (int trial = 0; trial < 400; ++trial) {
        auto corner = [&] {
            return trial % 5 == 4 ? PixelPoint{far(random), near(random)}
                                  : PixelPoint{near(random), near(random)};
        };
        const PixelPoint a = corner();
        const PixelPoint b = trial % 7 == 0 ? a : corner();
        const PixelPoint c = trial % 11 == 0 ? a : corner();
        const CRasterClip clip = trial % 3 == 0 ? CRasterClip{5, 20} : CRasterClip{};
        CImage image;
        image.Resize(32);
        image.Fill(0);
        FillTriangle(image, a, b, c, 1u, clip);
        DepthLayer layer(32);
        layer.Draw(a, b, c, 2.0, 7u, clip);
        for (int p = 0; p < 32 * 32; ++p) {
            ASSERT_EQ(image.Data()[p] == 1u, layer.Mark(static_cast<std::size_t>(p)) == 7u + 1)
                << trial << " pixel " << p;
        }
        EXPECT_EQ(layer.pen.tieCount, 0u);
    }
}

// The nearer triangle wins whatever the order; at an equal key the pixel is kept and the pair
// noted once for the whole triangle; with the room full the overflow is marked.
TEST(DepthPenTest, NearerWinsAndEqualKeysAreNotedAsTies) {
    const PixelPoint a{2, 2};
    const PixelPoint b{14, 3};
    const PixelPoint c{5, 13};
    for (const bool nearFirst : {true, false}) {
        DepthLayer layer(16);
        if (nearFirst) {
            layer.Draw(a, b, c, 1.0, 1u);
            layer.Draw(a, b, c, 2.0, 2u);
        } else {
            layer.Draw(a, b, c, 2.0, 2u);
            layer.Draw(a, b, c, 1.0, 1u);
        }
        EXPECT_EQ(layer.cells[5 * 16 + 5], DepthCell(1.0, 1u)) << nearFirst;
        EXPECT_EQ(layer.pen.tieCount, 0u) << nearFirst;
    }
    DepthLayer layer(16);
    layer.Draw(a, b, c, 1.0, 1u);
    layer.Draw(a, b, c, 1.0, 1u);  // the same triangle again is no tie
    EXPECT_EQ(layer.pen.tieCount, 0u);
    layer.Draw(a, b, c, 1.0, 2u);
    ASSERT_EQ(layer.pen.tieCount, 1u);
    EXPECT_EQ(layer.ties[0].held, 1u);
    EXPECT_EQ(layer.ties[0].offered, 2u);
    EXPECT_EQ(layer.Mark(5 * 16 + 5), 1u + 1);
    for (std::uint32_t id = 3; id < 7; ++id) {
        layer.Draw(a, b, c, 1.0, id);
    }
    EXPECT_EQ(layer.pen.tieCount, 4u);
    EXPECT_TRUE(layer.pen.tiesOverflowed);

    // A key of zero, as the empty planes hold, and id 0 take an empty pixel without a tie.
    DepthLayer zero(16);
    zero.Draw(a, b, c, 0.0, 0u);
    EXPECT_EQ(zero.Mark(5 * 16 + 5), 0u + 1);
    EXPECT_EQ(zero.pen.tieCount, 0u);
    zero.Draw(a, b, c, 0.0, 3u);
    EXPECT_EQ(zero.Mark(5 * 16 + 5), 0u + 1);
    EXPECT_EQ(zero.pen.tieCount, 1u);
}

// Keys too close for the cells' floats to part them are ordered by their exact values, in either
// order of drawing; only exactly equal keys are a tie.
TEST(DepthPenTest, KeysThatRoundAlikeAreOrderedExactly) {
    const PixelPoint a{2, 2};
    const PixelPoint b{14, 3};
    const PixelPoint c{5, 13};
    const double nearKey = 1.0;
    const double farKey = std::nextafter(1.0, 2.0);
    ASSERT_EQ(DepthCell(nearKey, 1u) >> 32, DepthCell(farKey, 2u) >> 32);
    for (const bool nearFirst : {true, false}) {
        DepthLayer layer(16);
        layer.Draw(a, b, c, nearFirst ? nearKey : farKey, nearFirst ? 1u : 2u);
        layer.Draw(a, b, c, nearFirst ? farKey : nearKey, nearFirst ? 2u : 1u);
        EXPECT_EQ(layer.Mark(5 * 16 + 5), 1u + 1) << nearFirst;
        EXPECT_EQ(layer.pen.tieCount, 0u) << nearFirst;
    }
}

// The cells of larger keys are never larger: the rounding keeps the order over the whole range of
// doubles, beyond the floats' range too, and every key's cell is above the empty cell.
TEST(DepthCellTest, OrderOfKeysIsKept) {
    const double inf = std::numeric_limits<double>::infinity();
    const double largestFloat = std::numeric_limits<float>::max();
    std::vector<double> keys = {-inf,
                                -1e300,
                                -largestFloat * 2,
                                -largestFloat,
                                -1.0,
                                -1e-320,
                                -0.0,
                                0.0,
                                1e-320,
                                1e-40,
                                1e-30,
                                0.5,
                                1.0,
                                std::nextafter(1.0, 2.0),
                                3.0,
                                largestFloat,
                                std::nextafter(largestFloat, inf),
                                largestFloat * 2,
                                1e300,
                                inf};
    std::mt19937_64 random(5u);
    std::uniform_real_distribution<double> exponent(-300.0, 300.0);
    for (int k = 0; k < 2000; ++k) {
        const double magnitude = std::pow(10.0, exponent(random));
        keys.push_back(k % 4 == 0 ? -magnitude : magnitude);
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const std::uint64_t cell = DepthCell(keys[k], 9u);
        EXPECT_GT(cell, std::uint64_t{0}) << keys[k];
        EXPECT_EQ(DepthCellMark(cell), 10u);
        if (k > 0) {
            EXPECT_LE(cell >> 32, DepthCell(keys[k - 1], 9u) >> 32) << keys[k - 1] << " < " << keys[k];
        }
    }
    // Keys a float apart are parted by the cells.
    EXPECT_GT(DepthCell(1.0, 0u) >> 32, DepthCell(std::nextafter(1.0f, 2.0f), 0u) >> 32);
    EXPECT_GT(DepthCell(-0.0, 0u) >> 32, DepthCell(1e-40, 0u) >> 32);
    EXPECT_EQ(DepthCell(-0.0, 0u) >> 32, DepthCell(0.0, 0u) >> 32);
}

}  // namespace
}  // namespace quorvane
