// Polygons split into fans of triangles, with the triangles' distances to the eye and the painting
// order.
#pragma once

#include <span>
#include <vector>

#include "geometry/vector3d.h"
#include "model/depth_sort.h"
#include "model/document.h"
#include "model/huge_pages.h"
#include "model/worker_pool.h"

namespace quorvane {

// One triangle of the tessellated mesh: its three vertex indices into the mesh's vertex array. Its
// centroid, normal and view from the eye are worked out from the vertex positions where they are
// used, always by the formulas below, so that every user sees the same bits and a mesh of millions
// of triangles keeps 12 bytes for each.
struct CTriangle {
    // Left unset by the default constructor, so that the mesh's array is not filled before
    // Tessellate writes it.
    int m_nV1;
    int m_nV2;
    int m_nV3;

    CTriangle() = default;
    CTriangle(int a, int b, int c) : m_nV1(a), m_nV2(b), m_nV3(c) {}

    // Average of the three vertex positions, ((P1 + P2) + P3) / 3.
    CVector3D Centroid(const CVector3D* vertices) const {
        return ((vertices[m_nV1] + vertices[m_nV2]) + vertices[m_nV3]) / 3.0;
    }
    // Unit normal w / |w| with w = (P2 - P1) x (P3 - P1); NaN components for a zero-area triangle.
    CVector3D Normal(const CVector3D* vertices) const {
        const CVector3D& p1 = vertices[m_nV1];
        const CVector3D w = (vertices[m_nV2] - p1).Cross(vertices[m_nV3] - p1);
        return w / w.Length();
    }
};

// Where the eye lies seen from a triangle's centroid.
struct CTriangleView {
    // Distance from the eye point to the centroid, the depth key.
    double m_dDistance = 0.0;
    // Unit vector from the centroid toward the eye point; NaN components when they coincide.
    CVector3D m_toEye;
};

// d = eye - centroid: the distance |d| and the direction d / |d|.
inline CTriangleView ViewFrom(const CVector3D& centroid, const CVector3D& eye) {
    const CVector3D d = eye - centroid;
    const double distance = d.Length();
    return {distance, d / distance};
}

// ViewFrom(triangles[k].Centroid(vertices), eye).m_dDistance for k = first .. last - 1 into
// distances[k], to the bit, two triangles at a time where the processor has two-lane vectors.
void TriangleDistances(const CTriangle* triangles, const CVector3D* vertices, const CVector3D& eye,
                       std::size_t first, std::size_t last, double* distances);

// The triangles of the document's polygons, one fan per polygon, with the order in which they
// are painted. Triangle indices refer to the vertex array set by SetVertexArray.
class CTessellatedMesh {
  public:
    // Number of triangles made by the last Tessellate; the authority for the loops over them.
    int m_nTriangles = 0;

    // The vertex array all indices refer to; not owned, must outlive its use here.
    void SetVertexArray(const std::vector<CVector3D>* vertices) { m_pVertices = vertices; }

    // Replaces all triangles by the fans of `polygons` and resets the order to the identity.
    // Every index must be a valid position in the vertex array.
    void Tessellate(const CPolygonArray& polygons);
    // Brings every triangle's distance to `eye` up to date and orders the triangles farthest
    // first, equal distances as the reference heap sort leaves them.
    void SortByDepth(const CVector3D& eye);
    // SortByDepth in three steps, for callers that share out the second: takes the eye, works
    // out the distances of triangles first .. last - 1 to it (ranges may be done at the same time
    // on different threads), then sorts the order by the distances, all of them brought up to date.
    void SetEye(const CVector3D& eye);
    void UpdateDistances(int first, int last);
    void SortByDistances();
    // SetEye and UpdateDistances of every triangle, shared out over the workers' ranges.
    void UpdateDistancesFor(const CVector3D& eye, CWorkerPool& workers);
    // The triangles' geometry follows the vertex positions as they now are. The centroids and
    // normals are worked out where they are used, so nothing is stored; kept for the callers
    // that move vertices.
    void RefreshGeometry() {}
    // Sets the painting order back to the triangle numbers' order, as Tessellate leaves it, so
    // that the next sort breaks ties as it does for a fresh tessellation.
    void ResetOrder();

    // The triangle to paint i-th, 0 <= i < m_nTriangles.
    const CTriangle& GetDrawnTriangle(int i) const { return m_triangleList[m_order[i]]; }

    // Triangle number k, 0 <= k < m_nTriangles.
    const CTriangle& GetTriangle(int k) const { return m_triangleList[k]; }
    // All triangles by number.
    const CTriangle* Triangles() const { return m_triangleList.data(); }
    // The vertex positions the indices refer to.
    const CVector3D* Vertices() const { return m_pVertices->data(); }
    // Geometry of triangle number k from the current vertex positions.
    CVector3D GetCentroid(int k) const { return m_triangleList[k].Centroid(Vertices()); }
    CVector3D GetNormal(int k) const { return m_triangleList[k].Normal(Vertices()); }
    // Distance of triangle number k to the eye of the last sort (after one).
    double GetDistance(int k) const { return m_distances[k]; }
    // Unit direction from triangle number k's centroid to the eye of the last sort.
    CVector3D GetToEye(int k) const { return ViewFrom(GetCentroid(k), m_eye).m_toEye; }
    // The eye of the last sort.
    const CVector3D& GetEye() const { return m_eye; }

    // The painting order: element i is the number of the triangle painted i-th.
    const std::vector<int>& GetOrder() const { return m_order; }
    // Puts back an order GetOrder gave for the same triangles.
    void SetOrder(const std::vector<int>& order) { m_order = order; }
    // Frees the working memory of the sort, which the next sort allocates again.
    void FreeSortMemory() { m_sortScratch.Release(); }
    // Bytes of working memory the sort holds for the next one.
    std::size_t SortMemoryBytes() const { return m_sortScratch.Bytes(); }
    // Sorts that found the keys in order, or nearly, in the previous order and kept to it.
    std::uint64_t ReusedOrderCount() const { return m_sortScratch.reusedOrders; }
    // How the last SortByDepth reached its order.
    DepthSortPath LastSortPath() const { return m_lastSortPath; }

  private:
    const std::vector<CVector3D>* m_pVertices = nullptr;
    std::vector<int> m_order;
    LargeArray<CTriangle> m_triangleList;
    // Distance of each triangle by number, the sort's keys.
    LargeArray<double> m_distances;
    CVector3D m_eye;
    DepthSortScratch m_sortScratch;
    DepthSortPath m_lastSortPath = DepthSortPath::kDistinctKeys;
};

}  // namespace quorvane
