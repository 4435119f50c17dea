#include "model/tessellation.h"

#include <numeric>

#include "model/statistics.h"

namespace quorvane {

namespace {

// Position (0 .. n - 1) of the polygon vertex nearest to the average of its vertices; the
// earliest one on ties.
int FanAnchor(const CPolygon& polygon, const std::vector<CVector3D>& vertices) {
    const int n = polygon.GetSize();
    CVector3D sum = vertices[polygon.GetAt(0)];
    for (int k = 1; k < n; ++k) {
        sum = sum + vertices[polygon.GetAt(k)];
    }
    const CVector3D centroid = sum / static_cast<double>(n);
    int anchor = 0;
    double best = (vertices[polygon.GetAt(0)] - centroid).LengthSquared();
    for (int k = 1; k < n; ++k) {
        const double d = (vertices[polygon.GetAt(k)] - centroid).LengthSquared();
        if (d < best) {
            best = d;
            anchor = k;
        }
    }
    return anchor;
}

// Appends the triangles of one polygon: a triangle as it stands, a larger polygon as a fan
// from its anchor in the polygon's own order, nothing for fewer than three vertices.
// Returns the position after them in `triangles`.
CTriangle* AppendFan(const CPolygon& polygon, const std::vector<CVector3D>& vertices, CTriangle* triangles) {
    const int n = polygon.GetSize();
    if (n < 3) {
        return triangles;
    }
    if (n == 3) {
        *triangles++ = CTriangle(polygon.GetAt(0), polygon.GetAt(1), polygon.GetAt(2));
        return triangles;
    }
    const int m = FanAnchor(polygon, vertices);
    const int apex = polygon.GetAt(m);
    for (int l = m + 2; l <= m + n - 1; ++l) {
        const int previous = (l - 1) % n;
        const int current = l % n;
        *triangles++ = CTriangle(apex, polygon.GetAt(previous), polygon.GetAt(current));
    }
    return triangles;
}

}  // namespace

void CTessellatedMesh::Tessellate(const CPolygonArray& polygons) {
    m_nTriangles = 0;
    // Every triangle is written once, in place, and nothing of the previous model is kept.
    const auto count = static_cast<std::size_t>(CountTriangles(polygons));
    ResizeForOverwrite(m_triangleList, count);
    CTriangle* next = m_triangleList.data();
    const int polygonCount = polygons.GetSize();
    for (int j = 0; j < polygonCount; ++j) {
        next = AppendFan(polygons[j], *m_pVertices, next);
    }
    m_nTriangles = static_cast<int>(next - m_triangleList.data());
    // The distances are sized by the first sort: a mesh drawn only as a wireframe needs none.
    m_distances.clear();
    m_order.resize(static_cast<std::size_t>(m_nTriangles));
    ResetOrder();
}

void CTessellatedMesh::SortByDepth(const CVector3D& eye) {
    SetEye(eye);
    UpdateDistances(0, m_nTriangles);
    SortByDistances();
}

void CTessellatedMesh::SetEye(const CVector3D& eye) {
    m_eye = eye;
    ResizeForOverwrite(m_distances, static_cast<std::size_t>(m_nTriangles));
}

void CTessellatedMesh::UpdateDistances(int first, int last) {
    const CVector3D eye = m_eye;
    const CVector3D* vertices = Vertices();
    for (int k = first; k < last; ++k) {
        m_distances[static_cast<std::size_t>(k)] =
            ViewFrom(m_triangleList[static_cast<std::size_t>(k)].Centroid(vertices), eye).m_dDistance;
    }
}

void CTessellatedMesh::SortByDistances() {
    m_lastSortPath =
        SortOrderByDepth(std::span<int>(m_order.data(), m_order.size()), m_distances.data(), m_sortScratch);
}

void CTessellatedMesh::ResetOrder() {
    std::iota(m_order.begin(), m_order.end(), 0);
}

}  // namespace quorvane
