// The literal first-appearance scan for distinct edges: quadratic, the reference that the fast
// edge list must match (model tests and the fuzz target).
#pragma once

#include <vector>

#include "model/document.h"

namespace quorvane::testing {

// Every side of every polygon in order, each kept when no earlier side joins the same two vertices.
inline std::vector<CEdge> BuildUniqueEdgesByScan(const CPolygonArray& polygons) {
    std::vector<CEdge> edges;
    for (int p = 0; p < polygons.GetSize(); ++p) {
        const CPolygon polygon = polygons[p];
        for (int j = 0; j < polygon.GetSize(); ++j) {
            const CEdge e = polygon.GetEdge(j);
            bool found = false;
            for (const CEdge& seen : edges) {
                if (seen.m_nV1 == e.m_nV1 && seen.m_nV2 == e.m_nV2) {
                    found = true;
                    break;
                }
            }
            if (!found) {
                edges.push_back(e);
            }
        }
    }
    return edges;
}

}  // namespace quorvane::testing
