#include "model/tessellation.h"

#include <numeric>

#include "geometry/vector_pair.h"

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

// The vector lanes run the operations of Centroid, ViewFrom and Length in their order, each one
// rounded as the scalar one is, so every distance has the same bits.
void TriangleDistances(const CTriangle* triangles, const CVector3D* vertices, const CVector3D& eye,
                       std::size_t first, std::size_t last, double* distances) {
    std::size_t k = first;
#if defined(__SSE2__)
    const VectorPair fromEye = BothLanes(eye);
    for (; k + 1 < last; k += 2) {
        const CTriangle& a = triangles[k];
        const CTriangle& b = triangles[k + 1];
        const VectorPair centroid = CentroidPair(LoadPair(vertices[a.m_nV1], vertices[b.m_nV1]),
                                                 LoadPair(vertices[a.m_nV2], vertices[b.m_nV2]),
                                                 LoadPair(vertices[a.m_nV3], vertices[b.m_nV3]));
        const VectorPair d = Sub(fromEye, centroid);
        const __m128d squared = Dot(d, d);
        _mm_storeu_pd(distances + k, _mm_sqrt_pd(squared));
    }
#endif
    for (; k < last; ++k) {
        distances[k] = ViewFrom(triangles[k].Centroid(vertices), eye).m_dDistance;
    }
}

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
    TriangleDistances(m_triangleList.data(), Vertices(), m_eye, static_cast<std::size_t>(first),
                      static_cast<std::size_t>(last), m_distances.data());
}

void CTessellatedMesh::UpdateDistancesFor(const CVector3D& eye, CWorkerPool& workers) {
    SetEye(eye);
    const auto n = static_cast<std::size_t>(m_nTriangles);
    auto task = [&](int part) {
        const PartRange range = SplitRange(n, part, workers.Count());
        UpdateDistances(static_cast<int>(range.first), static_cast<int>(range.last));
    };
    workers.Run(task);
}

void CTessellatedMesh::SortByDistances() {
    m_lastSortPath =
        SortOrderByDepth(std::span<int>(m_order.data(), m_order.size()), m_distances.data(), m_sortScratch);
}

void CTessellatedMesh::ResetOrder() {
    std::iota(m_order.begin(), m_order.end(), 0);
}

}  // namespace quorvane
