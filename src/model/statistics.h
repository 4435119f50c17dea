// The six numbers that describe the loaded model to the user.
#pragma once

#include <cstdint>

#include "model/document.h"
#include "model/tessellation.h"

namespace quorvane {

struct ModelStatistics {
    int vertices = 0;            // vertex count of the file
    int polygons = 0;            // polygon count of the file
    int edges = 0;               // polygon sides, a shared side counted once per polygon
    int uniqueEdges = 0;         // distinct undirected vertex pairs among the sides
    int largestPolygon = 0;      // most vertices in one polygon, 0 for an empty model
    std::int64_t triangles = 0;  // triangles made by the tessellation

    bool operator==(const ModelStatistics&) const = default;
};

// The statistics of the document as loaded and of the mesh tessellated from it.
ModelStatistics ComputeStatistics(const CQuorvaneDoc& document, const CTessellatedMesh& mesh);
// The statistics of the document with a triangle count obtained elsewhere (CountTriangles).
ModelStatistics ComputeStatistics(const CQuorvaneDoc& document, std::int64_t triangles);

// Whether the model has vertices but no polygon sides (a point set): wireframe and solid drawing
// show nothing of it, so it is shown in points mode.
inline bool IsPointSet(const CQuorvaneDoc& document) {
    return document.m_nVertices > 0 && document.m_nEdges == 0;
}

// The number of triangles a tessellation of `polygons` makes: n - 2 for each polygon of n >= 3
// vertices, exact however many there are (the count that info reports, the thumbnail's limit
// is checked against and the tessellation reserves room for).
std::int64_t CountTriangles(const CPolygonArray& polygons);

}  // namespace quorvane
