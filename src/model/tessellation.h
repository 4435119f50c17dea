// Polygons split into fans of triangles, with per-triangle geometry and the painting order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3d.h"
#include "model/document.h"
#include "model/pixel.h"

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

// The three pixel corners of a triangle, corner j from its j-th vertex.
struct ScreenTriangle {
    PixelPoint corners[3];
};

// A depth key, the triangle number it belongs to and the triangle's position in the order the
// sort started from; the unit the depth sorts move around (16 bytes, copied as one block).
struct KeyedIndex {
    std::uint64_t key = 0;
    std::int32_t index = 0;
    std::int32_t position = 0;
};

// Working memory of SortOrderByDepth, kept by the caller so that repeated sorts allocate only
// when the triangle count grows.
struct DepthSortScratch {
    std::vector<KeyedIndex> items;
    std::vector<KeyedIndex> spare;
    // Bucket boundaries, one array per level of bucket refinement.
    std::vector<std::vector<std::uint32_t>> bucketEnds;
    // Rank of each key among the distinct keys (0 = nearest), by position in the starting order,
    // from a cache-line boundary on.
    std::vector<std::uint32_t> ranks;
};

// How SortOrderByDepth reached its result.
enum class DepthSortPath {
    kDistinctKeys,  // all keys distinct numbers: a bucket sort decided the one possible order
    kEqualKeys,     // all keys the same number: the heap sort's moves, which need no comparison
    kRankedHeap,    // equal keys, no NaN: the heap sort on key ranks, sifting bottom-up
    kKeyedHeap,     // a NaN key: the heap sort step by step as the reference does it
};

// The reference painter's order: heap-sorts `order` so that keyByTriangle[order[i]] does not
// increase (NaN keys aside), with a min-heap sift-down in which a child equal to the current best
// wins and any comparison with NaN is false. Equal keys end in exactly the arrangement these
// steps leave, which depends on the starting order.
void HeapSortByDepthLiteral(std::span<int> order, const double* keyByTriangle);

// Gives `order` (a permutation of 0 .. size - 1) the same arrangement as HeapSortByDepthLiteral:
// by a bucket sort when all keys are distinct numbers, otherwise by the heap sort itself, on
// integer key ranks when no key is NaN.
DepthSortPath SortOrderByDepth(std::span<int> order, const double* keyByTriangle, DepthSortScratch& scratch);

// The triangles of the document's polygons, one fan per polygon, with the order in which they
// are painted. Triangle indices refer to the vertex array set by SetVertexArray.
class CTessellatedMesh {
  public:
    // Number of triangles made by the last Tessellate; the authority for the loops over them.
    int m_nTriangles = 0;
    // Side of the square image in pixels, set by the renderer before it asks for screen corners.
    int m_nImageSize = 0;

    // The vertex array all indices refer to; not owned, must outlive its use here.
    void SetVertexArray(const std::vector<CVector3D>* vertices) { m_pVertices = vertices; }
    // The per-vertex normalised image coordinates; not owned.
    void SetProjectedArrays(const std::vector<double>* x, const std::vector<double>* y) {
        m_pProjX = x;
        m_pProjY = y;
    }

    // Replaces all triangles by the fans of `polygons` and resets the order to the identity.
    // Every index must be a valid position in the vertex array.
    void Tessellate(const CPolygonArray& polygons);
    // Brings every triangle's distance and direction to `eye` up to date and orders the
    // triangles farthest first, equal distances as the reference heap sort leaves them.
    void SortByDepth(const CVector3D& eye);
    // Recomputes every triangle's centroid and normal from the current vertex positions.
    void RefreshGeometry();

    // The triangle to paint i-th, 0 <= i < m_nTriangles.
    const CTriangle& GetDrawnTriangle(int i) const { return m_triangleList[m_order[i]]; }
    // The pixel corners of the triangle to paint i-th, from the projected coordinates.
    ScreenTriangle GetScreenTriangle(int i) const;

    // Triangle number k, 0 <= k < m_nTriangles.
    const CTriangle& GetTriangle(int k) const { return m_triangleList[k]; }
    // The painting order: element i is the number of the triangle painted i-th.
    const std::vector<int>& GetOrder() const { return m_order; }
    // Whether the last SortByDepth was decided by the bucket sort (all distances distinct).
    bool LastSortWasFast() const { return m_lastSortPath == DepthSortPath::kDistinctKeys; }
    // How the last SortByDepth reached its order.
    DepthSortPath LastSortPath() const { return m_lastSortPath; }

  private:
    const std::vector<CVector3D>* m_pVertices = nullptr;
    const std::vector<double>* m_pProjX = nullptr;
    const std::vector<double>* m_pProjY = nullptr;
    std::vector<int> m_order;
    std::vector<CTriangle> m_triangleList;
    // Distance of each triangle by number, gathered for the sort.
    std::vector<double> m_keys;
    DepthSortScratch m_sortScratch;
    DepthSortPath m_lastSortPath = DepthSortPath::kDistinctKeys;
};

}  // namespace quorvane
