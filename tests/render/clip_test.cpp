// Cutting segments and triangles to the drawn pyramid of eye space: what is kept, where the cuts
// lie, and, on random primitives, that everything inside the region is kept and nothing outside.
#include "render/clip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace quorvane {
namespace {

constexpr int kSize = 400;
constexpr double kScale = 1.2071067811865475;  // 45 degrees

// Pixel position (S x, S y) of an eye point in front of the eye, by the projection's formula.
struct Pixel {
    double u;
    double v;
};
Pixel PixelOf(const CVector3D& e) {
    return {kSize * (kScale * e.x / e.z + 0.5), kSize * (kScale * e.y / e.z + 0.5)};
}

bool Near(double a, double b, double relative) {
    return std::fabs(a - b) <= relative * std::max({1.0, std::fabs(a), std::fabs(b)});
}

Pixel PixelOfCut(const ClipVertex& v) {
    return {v.u, v.v};
}

// Whether a cut point lies on a side of the region: a pixel coordinate at +-L.
bool OnSide(const ClipVertex& v) {
    return Near(std::fabs(v.u), kProjectionLimit, 1e-6) || Near(std::fabs(v.v), kProjectionLimit, 1e-6);
}

// Whether a pixel position lies within the region's pixel bounds (a little slack for the rounding
// of cut points).
bool WithinLimit(const Pixel& p) {
    const double limit = kProjectionLimit * (1.0 + 1e-6);
    return std::fabs(p.u) <= limit && std::fabs(p.v) <= limit;
}

// The distance of q from the line through p0 and p1, and how far along it q lies from p0.
struct LinePlace {
    double across;
    double along;
    double length;
};
LinePlace PlaceOn(const Pixel& p0, const Pixel& p1, const Pixel& q) {
    const double length = std::hypot(p1.u - p0.u, p1.v - p0.v);
    return {((p1.u - p0.u) * (q.v - p0.v) - (p1.v - p0.v) * (q.u - p0.u)) / length,
            ((q.u - p0.u) * (p1.u - p0.u) + (q.v - p0.v) * (p1.v - p0.v)) / length, length};
}

TEST(ProjectionRegion, ContainsPixelsUpToTheLimitOnly) {
    EXPECT_TRUE(CProjectionRegion::ContainsPixel(0.0, 0.0));
    EXPECT_TRUE(CProjectionRegion::ContainsPixel(kProjectionLimit, -kProjectionLimit));
    EXPECT_FALSE(CProjectionRegion::ContainsPixel(std::nextafter(kProjectionLimit, 1e300), 0.0));
    EXPECT_FALSE(CProjectionRegion::ContainsPixel(0.0, -std::nextafter(kProjectionLimit, 1e300)));
    EXPECT_FALSE(CProjectionRegion::ContainsPixel(std::nan(""), 0.0));
    EXPECT_FALSE(CProjectionRegion::ContainsPixel(0.0, INFINITY));
}

TEST(ProjectionRegion, ASegmentInsideIsKeptAsItIs) {
    const CProjectionRegion region(kSize, kScale);
    ClipVertex ends[2];
    ASSERT_TRUE(region.ClipSegment({-1, 2, 5}, {3, 0.5, 1e-5}, ends));
    EXPECT_EQ(ends[0].corner, 0);
    EXPECT_EQ(ends[1].corner, 1);
    // Scaled by a power of two only: the projections are the same numbers.
    EXPECT_EQ(ends[0].u, PixelOf({-1, 2, 5}).u);
    EXPECT_EQ(ends[1].v, PixelOf({3, 0.5, 1e-5}).v);
}

TEST(ProjectionRegion, ASegmentIntoTheEyePlaneIsCutAtTheSide) {
    const CProjectionRegion region(kSize, kScale);
    ClipVertex ends[2];
    // From in front to behind the eye, passing beside it.
    ASSERT_TRUE(region.ClipSegment({0.5, -0.25, 4}, {2, 1, -3}, ends));
    EXPECT_EQ(ends[0].corner, 0);
    EXPECT_EQ(ends[1].corner, -1);
    EXPECT_TRUE(OnSide(ends[1]));
    EXPECT_TRUE(WithinLimit(PixelOfCut(ends[1])));
    // The cut end lies on the segment's line in the image, beyond the kept end's pixel from the
    // pixel of a point between the ends.
    const LinePlace place =
        PlaceOn(PixelOf({1.25, 0.375, 0.5}), PixelOf({0.5, -0.25, 4}), PixelOfCut(ends[1]));
    EXPECT_LT(std::fabs(place.across), 1e-6);
    EXPECT_LT(place.along, 0.0);
    // Reversed, the other end is cut.
    ASSERT_TRUE(region.ClipSegment({2, 1, -3}, {0.5, -0.25, 4}, ends));
    EXPECT_EQ(ends[0].corner, -1);
    EXPECT_EQ(ends[1].corner, 1);
}

TEST(ProjectionRegion, SegmentsWhollyOutsideAreDropped) {
    const CProjectionRegion region(kSize, kScale);
    ClipVertex ends[2];
    EXPECT_FALSE(region.ClipSegment({1, 1, -1}, {-3, 2, -0.5}, ends));       // behind the eye
    EXPECT_FALSE(region.ClipSegment({1e7, 0, 1e-3}, {2e7, 5, 1e-3}, ends));  // beyond the right side
    EXPECT_FALSE(region.ClipSegment({0, 0, 0}, {0, 0, 0}, ends));            // the eye itself
    EXPECT_FALSE(region.ClipSegment({0, 0, 0}, {0, 0, -2}, ends));           // behind, from the eye
}

TEST(ProjectionRegion, ASegmentPassingThroughTheImageIsCutAtBothEnds) {
    // Both ends project far beyond the sides (just in front of the eye) while the middle is seen.
    const CProjectionRegion region(kSize, kScale);
    ClipVertex ends[2];
    const CVector3D a{-1, 0.1, 1e-7};
    const CVector3D b{1, 0.1, 2.0};
    ASSERT_TRUE(region.ClipSegment(a, b, ends));
    EXPECT_EQ(ends[0].corner, -1);
    EXPECT_EQ(ends[1].corner, 1);
    EXPECT_TRUE(OnSide(ends[0]));
    const CVector3D c{-1, 0.1, 2.0};
    const CVector3D e{1, -0.1, 1e-7};
    ASSERT_TRUE(region.ClipSegment(c, e, ends));
    EXPECT_EQ(ends[0].corner, 0);
    EXPECT_TRUE(OnSide(ends[1]));
    // Both ends outside on opposite sides, the segment level with the eye: the image is row 200.
    ASSERT_TRUE(region.ClipSegment({-1, 0.0, 1e-7}, {1, 0.0, 1e-7}, ends));
    EXPECT_EQ(ends[0].corner, -1);
    EXPECT_EQ(ends[1].corner, -1);
    EXPECT_TRUE(OnSide(ends[0]));
    EXPECT_TRUE(OnSide(ends[1]));
    EXPECT_LT(ends[0].u, 0.0);
    EXPECT_GT(ends[1].u, 0.0);
    EXPECT_EQ(ends[0].v, 200.0);
    EXPECT_EQ(ends[1].v, 200.0);
}

TEST(ProjectionRegion, ASegmentEndingAtTheEyeShrinksToItsOtherEnd) {
    // Seen end on: every point of it projects where its far end does.
    const CProjectionRegion region(kSize, kScale);
    ClipVertex ends[2];
    const CVector3D far{1, -1, 5};
    ASSERT_TRUE(region.ClipSegment(far, {0, 0, 0}, ends));
    EXPECT_EQ(ends[0].corner, 0);
    EXPECT_EQ(ends[1].corner, -1);
    EXPECT_NEAR(ends[1].u, PixelOf(far).u, 1e-9);
    EXPECT_NEAR(ends[1].v, PixelOf(far).v, 1e-9);
}

TEST(ProjectionRegion, ATriangleInsideIsKeptAsItIs) {
    const CProjectionRegion region(kSize, kScale);
    const CVector3D corners[3] = {{0, 0, 3}, {1, 0, 3}, {0, 1, 2}};
    ClipVertex polygon[kMaxClipVertices];
    ASSERT_EQ(region.ClipTriangle(corners, polygon), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(polygon[k].corner, k);
    }
}

TEST(ProjectionRegion, ATriangleWithACornerBehindTheEyeBecomesAQuadrilateral) {
    const CProjectionRegion region(kSize, kScale);
    const CVector3D corners[3] = {{-1, -1, 5}, {1, -1, 5}, {0, -1, -5}};
    ClipVertex polygon[kMaxClipVertices];
    const int count = region.ClipTriangle(corners, polygon);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(polygon[0].corner, 0);
    EXPECT_EQ(polygon[1].corner, 1);
    for (int k = 2; k < 4; ++k) {
        EXPECT_EQ(polygon[k].corner, -1);
        EXPECT_TRUE(Near(polygon[k].v, -kProjectionLimit, 1e-6)) << k;  // below the image
        EXPECT_TRUE(WithinLimit(PixelOfCut(polygon[k]))) << k;
    }
    // The cut points lie on the images of the sides they cut, 1-2 and 2-0.
    const Pixel mid12 = PixelOf({0.525, -1, 0.25});
    const Pixel mid20 = PixelOf({-0.525, -1, 0.25});
    EXPECT_LT(std::fabs(PlaceOn(PixelOf(corners[1]), mid12, PixelOfCut(polygon[2])).across), 1e-6);
    EXPECT_LT(std::fabs(PlaceOn(PixelOf(corners[0]), mid20, PixelOfCut(polygon[3])).across), 1e-6);
    const CVector3D behind[3] = {{-1, -1, -5}, {1, -1, -5}, {0, 1, -0.5}};
    EXPECT_EQ(region.ClipTriangle(behind, polygon), 0);
}

// A random point in a box of half side `extent` around the eye, kept within [-1e6, 1e6].
CVector3D RandomPoint(std::mt19937_64& random, double extent) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    return {extent * unit(random), extent * unit(random), extent * unit(random)};
}

// Whether q lies in the convex polygon `points` (in either winding) with a relative slack.
bool InConvexPolygon(const std::vector<Pixel>& points, const Pixel& q) {
    int positive = 0;
    int negative = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Pixel& a = points[i];
        const Pixel& b = points[(i + 1) % points.size()];
        const double cross = (b.u - a.u) * (q.v - a.v) - (b.v - a.v) * (q.u - a.u);
        const double scale =
            std::hypot(b.u - a.u, b.v - a.v) * std::max(1.0, std::hypot(q.u - a.u, q.v - a.v));
        if (cross > 1e-7 * scale) {
            ++positive;
        } else if (cross < -1e-7 * scale) {
            ++negative;
        }
    }
    return positive == 0 || negative == 0;
}

TEST(ProjectionRegion, RandomTrianglesKeepWhatIsInsideAndNothingElse) {
    const CProjectionRegion region(kSize, kScale);
    std::mt19937_64 random(20240612u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int cut = 0;
    int checkedSamples = 0;
    for (int round = 0; round < 4000; ++round) {
        const double extent = std::pow(10.0, -6.0 + 12.0 * unit(random));
        CVector3D corners[3];
        for (CVector3D& c : corners) {
            c = RandomPoint(random, extent);
        }
        ClipVertex polygon[kMaxClipVertices];
        const int count = region.ClipTriangle(corners, polygon);
        ASSERT_TRUE(count == 0 || (count >= 3 && count <= kMaxClipVertices)) << count;
        std::vector<Pixel> pixels;
        bool allKept = count == 3;
        for (int k = 0; k < count; ++k) {
            ASSERT_TRUE(WithinLimit(PixelOfCut(polygon[k]))) << round << " vertex " << k;
            if (polygon[k].corner >= 0) {
                // A corner is kept only if it is inside, and as it projects.
                const CVector3D& c = corners[polygon[k].corner];
                ASSERT_GT(c.z, 0.0) << round;
                ASSERT_TRUE(WithinLimit(PixelOf(c))) << round;
                ASSERT_EQ(polygon[k].u, PixelOf(c).u) << round;
            } else {
                allKept = false;
            }
            pixels.push_back(PixelOfCut(polygon[k]));
        }
        cut += allKept ? 0 : 1;
        // Points well inside the triangle and well inside the region are in the polygon's picture.
        for (int sample = 0; sample < 20; ++sample) {
            double a = unit(random);
            double b = unit(random);
            if (a + b > 1.0) {
                a = 1.0 - a;
                b = 1.0 - b;
            }
            if (a < 0.02 || b < 0.02 || a + b > 0.98) {
                continue;  // too near an edge of the triangle
            }
            const CVector3D p = corners[0] + (corners[1] - corners[0]) * a + (corners[2] - corners[0]) * b;
            const double largest =
                std::max({std::fabs(corners[0].x), std::fabs(corners[0].y), std::fabs(corners[0].z),
                          std::fabs(corners[1].x), std::fabs(corners[1].y), std::fabs(corners[1].z),
                          std::fabs(corners[2].x), std::fabs(corners[2].y), std::fabs(corners[2].z)});
            const Pixel q = PixelOf(p);
            if (p.z > 1e-6 * largest && std::fabs(q.u) < 0.5 * kProjectionLimit &&
                std::fabs(q.v) < 0.5 * kProjectionLimit) {
                ASSERT_GE(count, 3) << round;
                ASSERT_TRUE(InConvexPolygon(pixels, q)) << round << " sample " << sample;
                ++checkedSamples;
            }
        }
    }
    // The random triangles reach every case: kept whole, cut, and dropped.
    EXPECT_GT(cut, 1000);
    EXPECT_GT(checkedSamples, 10000);
}

TEST(ProjectionRegion, RandomSegmentsKeepWhatIsInsideAndNothingElse) {
    const CProjectionRegion region(kSize, kScale);
    std::mt19937_64 random(20240613u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int checkedSamples = 0;
    for (int round = 0; round < 4000; ++round) {
        const double extent = std::pow(10.0, -6.0 + 12.0 * unit(random));
        const CVector3D a = RandomPoint(random, extent);
        const CVector3D b = RandomPoint(random, extent);
        ClipVertex ends[2];
        const bool kept = region.ClipSegment(a, b, ends);
        if (kept) {
            for (int k = 0; k < 2; ++k) {
                ASSERT_TRUE(WithinLimit(PixelOfCut(ends[k]))) << round;
                ASSERT_TRUE(ends[k].corner == k || ends[k].corner == -1) << round;
            }
        }
        const double largest = std::max(
            {std::fabs(a.x), std::fabs(a.y), std::fabs(a.z), std::fabs(b.x), std::fabs(b.y), std::fabs(b.z)});
        for (int sample = 0; sample < 10; ++sample) {
            const double t = 0.01 + 0.98 * unit(random);
            const CVector3D p = a + (b - a) * t;
            const Pixel q = PixelOf(p);
            if (p.z > 1e-6 * largest && std::fabs(q.u) < 0.5 * kProjectionLimit &&
                std::fabs(q.v) < 0.5 * kProjectionLimit) {
                ASSERT_TRUE(kept) << round;
                // The sample's picture lies on the line between the pictures of the kept ends.
                const LinePlace place = PlaceOn(PixelOfCut(ends[0]), PixelOfCut(ends[1]), q);
                const double slack = 1e-7 * std::max({1.0, place.length, std::hypot(q.u, q.v)});
                ASSERT_GE(place.along, -slack) << round;
                ASSERT_LE(place.along, place.length + slack) << round;
                ASSERT_LE(std::fabs(place.across), 1e-6 * std::max(1.0, std::hypot(q.u, q.v))) << round;
                ++checkedSamples;
            }
        }
    }
    EXPECT_GT(checkedSamples, 5000);
}

TEST(ProjectionRegion, SegmentsCutAtBothEndsCrossTheImageOnTheirExactLine) {
    // Long segments through a point seen in the image, at every scale and at every slant toward the
    // eye plane: cut at both ends far outside the image, the line between the cut ends passes the
    // image where the segment's own image does (its plane through the eye, in extended precision).
    const CProjectionRegion region(kSize, kScale);
    std::mt19937_64 random(7u);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_real_distribution<double> exponent(-12.0, 2.0);
    int checked = 0;
    long double worst = 0.0L;
    for (int round = 0; round < 300000; ++round) {
        const double depth = std::pow(10.0, exponent(random));
        const CVector3D seen{unit(random) * depth / 2.4, unit(random) * depth / 2.4, depth};
        const CVector3D direction{unit(random), unit(random),
                                  unit(random) * std::pow(10.0, exponent(random))};
        const double length = std::pow(10.0, exponent(random) + 6.0);
        const CVector3D a = seen - direction * length;
        const CVector3D b = seen + direction * (length * std::pow(10.0, 3.0 * unit(random)));
        ClipVertex ends[2];
        if (!region.ClipSegment(a, b, ends) || ends[0].corner >= 0 || ends[1].corner >= 0) {
            continue;
        }
        using Wide = long double;
        const Wide nx = Wide{a.y} * b.z - Wide{a.z} * b.y;
        const Wide ny = Wide{a.z} * b.x - Wide{a.x} * b.z;
        const Wide nz = Wide{a.x} * b.y - Wide{a.y} * b.x;
        // The point of the drawn line nearest the image's centre, where it passes the image.
        const Wide du = Wide{ends[1].u} - ends[0].u;
        const Wide dv = Wide{ends[1].v} - ends[0].v;
        const Wide t = ((200 - Wide{ends[0].u}) * du + (200 - Wide{ends[0].v}) * dv) / (du * du + dv * dv);
        const Wide pu = ends[0].u + t * du;
        const Wide pv = ends[0].v + t * dv;
        if (t < 0 || t > 1 || std::fabs(static_cast<double>(pu) - 200) > 1000 ||
            std::fabs(static_cast<double>(pv) - 200) > 1000) {
            continue;
        }
        const Wide off =
            (nx * (pu - 200) + ny * (pv - 200) + nz * Wide{kSize} * kScale) / std::sqrt(nx * nx + ny * ny);
        worst = std::max(worst, std::fabs(off));
        ++checked;
    }
    EXPECT_GT(checked, 1000);
    EXPECT_LT(worst, 0.01L);
}

}  // namespace
}  // namespace quorvane
