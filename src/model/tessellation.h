// Polygons split into fans of triangles, with per-triangle geometry and the painting order.
#pragma once

#include <vector>

#include "geometry/vector3d.h"
#include "model/depth_sort.h"
#include "model/document.h"

namespace quorvane {

// One triangle of the tessellated mesh. Its vertex indices refer to the mesh's vertex array,
// which is passed in where positions are needed (no pointer kept per triangle).
struct CTriangle {
    int m_nV1 = 0;
    int m_nV2 = 0;
    int m_nV3 = 0;
    // Distance from the eye point to the centroid, the depth key; set by UpdateView.
    double m_dDistance = 0.0;
    // Unit vector from the centroid toward the eye point; set by UpdateView.
    CVector3D m_toEye;
    // Unit normal, (P2 - P1) x (P3 - P1) divided by its length.
    CVector3D m_normal;
    // Average of the three vertex positions.
    CVector3D m_centroid;

    CTriangle() = default;
    // The triangle (a, b, c) with its centroid and normal computed from `vertices`.
    CTriangle(int a, int b, int c, const std::vector<CVector3D>& vertices);

    // m_centroid = ((P1 + P2) + P3) / 3.
    void ComputeCentroid(const std::vector<CVector3D>& vertices);
    // m_normal = w / |w| with w = (P2 - P1) x (P3 - P1); NaN components for a zero-area triangle.
    void ComputeNormal(const std::vector<CVector3D>& vertices);
    // Distance and unit direction from the centroid to `eye`; NaN direction when they coincide.
    void UpdateView(const CVector3D& eye);
    // Centroid, then normal, from the current vertex positions.
    void Refresh(const std::vector<CVector3D>& vertices);
};

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
    // Brings every triangle's distance and direction to `eye` up to date and orders the
    // triangles farthest first, equal distances as the reference heap sort leaves them.
    void SortByDepth(const CVector3D& eye);
    // Recomputes every triangle's centroid and normal from the current vertex positions.
    void RefreshGeometry();
    // Sets the painting order back to the triangle numbers' order, as Tessellate leaves it, so
    // that the next sort breaks ties as it does for a fresh tessellation.
    void ResetOrder();

    // The triangle to paint i-th, 0 <= i < m_nTriangles.
    const CTriangle& GetDrawnTriangle(int i) const { return m_triangleList[m_order[i]]; }

    // Triangle number k, 0 <= k < m_nTriangles.
    const CTriangle& GetTriangle(int k) const { return m_triangleList[k]; }
    // The painting order: element i is the number of the triangle painted i-th.
    const std::vector<int>& GetOrder() const { return m_order; }
    // How the last SortByDepth reached its order.
    DepthSortPath LastSortPath() const { return m_lastSortPath; }

  private:
    const std::vector<CVector3D>* m_pVertices = nullptr;
    std::vector<int> m_order;
    std::vector<CTriangle> m_triangleList;
    // Distance of each triangle by number, gathered for the sort.
    std::vector<double> m_keys;
    DepthSortScratch m_sortScratch;
    DepthSortPath m_lastSortPath = DepthSortPath::kDistinctKeys;
};

}  // namespace quorvane
