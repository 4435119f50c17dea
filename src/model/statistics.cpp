#include "model/statistics.h"

#include <climits>
#include <cstdint>

namespace quorvane {

ModelStatistics ComputeStatistics(const CQuorvaneDoc& document, const CTessellatedMesh& mesh) {
    return ComputeStatistics(document, mesh.m_nTriangles);
}

ModelStatistics ComputeStatistics(const CQuorvaneDoc& document, int triangles) {
    ModelStatistics statistics;
    statistics.vertices = document.m_nVertices;
    statistics.polygons = document.m_nPolygons;
    statistics.edges = document.m_nEdges;
    statistics.uniqueEdges = document.m_nUniqueEdges;
    statistics.largestPolygon = document.m_nLargestPolygon;
    statistics.triangles = triangles;
    return statistics;
}

int CountTriangles(const CPolygonArray& polygons) {
    std::int64_t total = 0;
    const int polygonCount = polygons.GetSize();
    for (int j = 0; j < polygonCount; ++j) {
        const int n = polygons[j].GetSize();
        if (n >= 3) {
            total += n - 2;
        }
    }
    return total > INT_MAX ? INT_MAX : static_cast<int>(total);
}

}  // namespace quorvane
