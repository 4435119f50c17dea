#include "model/statistics.h"

#include <cstdint>

namespace quorvane {

ModelStatistics ComputeStatistics(const CQuorvaneDoc& document, const CTessellatedMesh& mesh) {
    return ComputeStatistics(document, mesh.m_nTriangles);
}

ModelStatistics ComputeStatistics(const CQuorvaneDoc& document, std::int64_t triangles) {
    ModelStatistics statistics;
    statistics.vertices = document.m_nVertices;
    statistics.polygons = document.m_nPolygons;
    statistics.edges = document.m_nEdges;
    statistics.uniqueEdges = document.m_nUniqueEdges;
    statistics.largestPolygon = document.m_nLargestPolygon;
    statistics.triangles = triangles;
    return statistics;
}

std::int64_t CountTriangles(const CPolygonArray& polygons) {
    std::int64_t total = 0;
    const int polygonCount = polygons.GetSize();
    for (int j = 0; j < polygonCount; ++j) {
        const int n = polygons[j].GetSize();
        if (n >= 3) {
            total += n - 2;
        }
    }
    return total;
}

}  // namespace quorvane
