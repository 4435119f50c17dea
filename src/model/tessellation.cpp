#include "model/tessellation.h"

#include <numeric>

#include "model/statistics.h"

namespace quorvane {

// The geometry is computed here, in the model library built without floating-point
// contraction, so that every user of a triangle sees the same bits.
CTriangle::CTriangle(int a, int b, int c, const std::vector<CVector3D>& vertices)
    : m_nV1(a), m_nV2(b), m_nV3(c) {
    Refresh(vertices);
}

void CTriangle::ComputeCentroid(const std::vector<CVector3D>& vertices) {
    m_centroid = ((vertices[m_nV1] + vertices[m_nV2]) + vertices[m_nV3]) / 3.0;
}

void CTriangle::ComputeNormal(const std::vector<CVector3D>& vertices) {
    const CVector3D& p1 = vertices[m_nV1];
    const CVector3D w = (vertices[m_nV2] - p1).Cross(vertices[m_nV3] - p1);
    m_normal = w / w.Length();
}

void CTriangle::UpdateView(const CVector3D& eye) {
    const CVector3D d = eye - m_centroid;
    m_dDistance = d.Length();
    m_toEye = d / m_dDistance;
}

void CTriangle::Refresh(const std::vector<CVector3D>& vertices) {
    ComputeCentroid(vertices);
    ComputeNormal(vertices);
}

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
void AppendFan(const CPolygon& polygon, const std::vector<CVector3D>& vertices,
               std::vector<CTriangle>& triangles) {
    const int n = polygon.GetSize();
    if (n < 3) {
        return;
    }
    if (n == 3) {
        triangles.emplace_back(polygon.GetAt(0), polygon.GetAt(1), polygon.GetAt(2), vertices);
        return;
    }
    const int m = FanAnchor(polygon, vertices);
    const int apex = polygon.GetAt(m);
    for (int l = m + 2; l <= m + n - 1; ++l) {
        const int previous = (l - 1) % n;
        const int current = l % n;
        triangles.emplace_back(apex, polygon.GetAt(previous), polygon.GetAt(current), vertices);
    }
}

}  // namespace

void CTessellatedMesh::Tessellate(const CPolygonArray& polygons) {
    m_triangleList.clear();
    m_nTriangles = 0;
    m_triangleList.reserve(static_cast<std::size_t>(CountTriangles(polygons)));
    const int polygonCount = polygons.GetSize();
    for (int j = 0; j < polygonCount; ++j) {
        AppendFan(polygons[j], *m_pVertices, m_triangleList);
    }
    m_nTriangles = static_cast<int>(m_triangleList.size());
    m_order.resize(m_triangleList.size());
    ResetOrder();
}

void CTessellatedMesh::SortByDepth(const CVector3D& eye) {
    const std::size_t n = static_cast<std::size_t>(m_nTriangles);
    if (m_keys.size() < n) {
        m_keys.resize(n);
    }
    for (std::size_t k = 0; k < n; ++k) {
        CTriangle& triangle = m_triangleList[k];
        triangle.UpdateView(eye);
        m_keys[k] = triangle.m_dDistance;
    }
    m_lastSortPath = SortOrderByDepth(std::span<int>(m_order.data(), n), m_keys.data(), m_sortScratch);
}

void CTessellatedMesh::RefreshGeometry() {
    for (int k = 0; k < m_nTriangles; ++k) {
        m_triangleList[k].Refresh(*m_pVertices);
    }
}

void CTessellatedMesh::ResetOrder() {
    std::iota(m_order.begin(), m_order.end(), 0);
}

}  // namespace quorvane
