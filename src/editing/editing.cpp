#include "editing/editing.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "viewing/pixel.h"

namespace quorvane {

namespace {

// Squares of pixel distances up to 2^63 need 126 bits, their sums 127.
__extension__ typedef unsigned __int128 UInt128;

constexpr double kDragFactor = 0.01;

// The square of a - b, exact, for |a|, |b| < 2^62 + 2^31.
UInt128 SquaredDifference(std::int64_t a, std::int64_t b) {
    const std::int64_t d = a - b;
    const UInt128 magnitude = static_cast<std::uint64_t>(d < 0 ? -d : d);
    return magnitude * magnitude;
}

}  // namespace

// A linear scan with exact 128-bit scores; a strictly smaller score replaces the best so far. The
// pixel is the line-end pixel worked out in 64 bits, so that positions far outside the image (up
// to 2^62 pixels) keep their exact distances.
int SelectNearestVertex(int imageSize, int px, int py, std::span<const double> imageX,
                        std::span<const double> imageY) {
    const std::size_t n = imageX.size() < imageY.size() ? imageX.size() : imageY.size();
    const double s = static_cast<double>(imageSize);
    int best = -1;
    UInt128 bestScore = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(imageX[i]) || !std::isfinite(imageY[i])) {
            continue;
        }
        const std::int64_t column = TruncToWidePixel(s * imageX[i]);
        const std::int64_t row = std::int64_t{imageSize} - TruncToWidePixel(s * imageY[i]);
        const UInt128 score = SquaredDifference(px, column) + SquaredDifference(py, row);
        if (best < 0 || score < bestScore) {
            best = static_cast<int>(i);
            bestScore = score;
        }
    }
    return best;
}

std::optional<CVector3D> ComputeDragOffset(const CViewingSpace& camera, int dx, int dy, bool leftButtonDown,
                                           bool rightButtonDown) {
    const CVector3D d = camera.GetFromPoint() - camera.GetAtPoint();
    if (leftButtonDown) {
        const CVector3D a = d.Cross(camera.GetUpVector());
        const CVector3D b = a.Cross(d);
        return a * (static_cast<double>(dx) * -kDragFactor) + (b * static_cast<double>(dy)) * -kDragFactor;
    }
    if (rightButtonDown) {
        return d * (static_cast<double>(dy) * kDragFactor);
    }
    return std::nullopt;
}

bool MoveVertex(CVector3D& vertex, const CVector3D& offset) {
    const CVector3D moved = vertex + offset;
    if (!moved.IsFinite() || (moved.x == vertex.x && moved.y == vertex.y && moved.z == vertex.z)) {
        return false;
    }
    vertex = moved;
    return true;
}

}  // namespace quorvane
