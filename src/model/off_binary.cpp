#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/off_builder.h"

namespace quorvane {

namespace {

// Reads a 32-bit big-endian word at `p`.
std::uint32_t ReadBigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

// The binary form: after the keyword line, NV, NF, NE as 32-bit big-endian integers, the
// vertices as 32-bit big-endian floats, then each face as n, n indices, k, k colour floats.
bool OffModelBuilder::ReadBinary(std::string_view text, std::size_t start) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t pos = start;
    auto at = [&](std::size_t p) { return " at byte " + std::to_string(p); };
    if (size - pos < 12) {
        return Fail(0, "the binary counts are cut short" + at(pos));
    }
    const int nv = static_cast<int>(ReadBigEndian32(bytes + pos));
    const int nf = static_cast<int>(ReadBigEndian32(bytes + pos + 4));
    pos += 12;
    if (!SetCounts(nv, nf, 0, std::to_string(nv), std::to_string(nf), std::to_string(nv), std::to_string(nf),
                   size - start)) {
        return false;
    }
    const std::size_t floatsPerVertex = 3 + (m_normals ? 3 : 0) + (m_colour ? 4 : 0) + (m_texture ? 2 : 0);
    for (int k = 0; k < m_nVertices; ++k) {
        if (size - pos < floatsPerVertex * 4) {
            return Fail(0, VertexEndMessage(k) + at(pos));
        }
        double xyz[3];
        for (int axis = 0; axis < 3; ++axis) {
            const std::uint32_t word = ReadBigEndian32(bytes + pos + 4 * axis);
            float value;
            std::memcpy(&value, &word, sizeof(value));
            if (!std::isfinite(value)) {
                return Fail(0, "vertex " + std::to_string(k + 1) +
                                   " has a coordinate that is not a finite number" + at(pos + 4 * axis));
            }
            xyz[axis] = value;
        }
        AddVertex(k, k == 0, xyz);
        pos += floatsPerVertex * 4;
    }
    StoreBox();
    for (int j = 0; j < m_nPolygons; ++j) {
        if (size - pos < 4) {
            if (!EndFacesEarly(j, 0)) {
                return false;
            }
            break;
        }
        const int n = static_cast<int>(ReadBigEndian32(bytes + pos));
        if (n < 0) {
            return Fail(0, "polygon " + std::to_string(j + 1) + " has a negative vertex count (" +
                               std::to_string(n) + ")" + at(pos));
        }
        const std::size_t faceStart = pos;
        pos += 4;
        if ((size - pos) / 4 < static_cast<std::size_t>(n) + 1) {
            if (!EndFacesEarly(j, 0)) {
                return false;
            }
            break;
        }
        bool bad = false;
        int badIndex = 0;
        for (int i = 0; i < n; ++i) {
            const int index =
                static_cast<int>(ReadBigEndian32(bytes + pos + 4 * static_cast<std::size_t>(i)));
            if (index < 0 || index >= m_nVertices) {
                bad = true;
                badIndex = index;
                break;
            }
            m_doc.m_polygons.PushIndex(index);
        }
        pos += 4 * static_cast<std::size_t>(n);
        const int colours = static_cast<int>(ReadBigEndian32(bytes + pos));
        pos += 4;
        if (colours < 0 || (size - pos) / 4 < static_cast<std::size_t>(colours)) {
            m_doc.m_polygons.DiscardOpenPolygon();
            return Fail(0, "polygon " + std::to_string(j + 1) + " has a bad colour count (" +
                               std::to_string(colours) + ")" + at(pos - 4));
        }
        pos += 4 * static_cast<std::size_t>(colours);
        if (bad) {
            m_doc.m_polygons.DiscardOpenPolygon();
            Repair(OffRepairKind::kBadIndexFace, 0, [&] {
                return "dropped polygon " + std::to_string(j + 1) + at(faceStart) + ": it refers to vertex " +
                       std::to_string(badIndex) + ", but the vertices are numbered 0 to " +
                       std::to_string(m_nVertices - 1);
            });
            continue;
        }
        if (!KeepPolygon(n, 0)) {
            return false;
        }
    }
    if (!CheckSomePolygonKept(0)) {
        return false;
    }
    return Finish();
}
}  // namespace quorvane
