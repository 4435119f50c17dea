// libFuzzer target for the OFF reader: every accepted load must leave a consistent model that
// the writer can write and that reads back with the same counts and indices.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/document.h"

using quorvane::CEdge;
using quorvane::CQuorvaneDoc;

// Make every UndefinedBehaviorSanitizer report fatal so that the fuzzer records it.
extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}

namespace {

// Larger models skip the quadratic reference comparison to keep each run fast.
constexpr long long kMaxSidesForReference = 4096;

// Stops the run when an invariant of a loaded model does not hold.
void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Counts, index range, edge list and bounding box of an accepted load.
void CheckLoadedModel(const CQuorvaneDoc& doc) {
    Require(doc.m_nVertices > 0 && doc.m_nPolygons > 0);
    Require(doc.m_vertices.size() == static_cast<std::size_t>(doc.m_nVertices));
    Require(doc.m_polygons.GetSize() == doc.m_nPolygons);

    long long sides = 0;
    int largest = 0;
    for (int j = 0; j < doc.m_polygons.GetSize(); ++j) {
        const quorvane::CPolygon polygon = doc.m_polygons[j];
        Require(polygon.GetSize() >= 0);
        sides += polygon.GetSize();
        largest = polygon.GetSize() > largest ? polygon.GetSize() : largest;
        for (const int index : polygon) {
            Require(index >= 0 && index < doc.m_nVertices);
        }
    }
    Require(sides == doc.m_nEdges);
    Require(largest == doc.m_nLargestPolygon);
    Require(static_cast<long long>(doc.m_polygons.IndexCount()) == sides);

    Require(doc.m_nUniqueEdges >= 0 && doc.m_nUniqueEdges <= doc.m_nEdges);
    Require(doc.m_edges.size() >= static_cast<std::size_t>(doc.m_nUniqueEdges));
    for (int k = 0; k < doc.m_nUniqueEdges; ++k) {
        const CEdge& edge = doc.m_edges[k];
        Require(edge.m_nV1 <= edge.m_nV2 && edge.m_nV1 >= 0 && edge.m_nV2 < doc.m_nVertices);
    }
    if (sides <= kMaxSidesForReference) {
        const std::vector<CEdge> reference = quorvane::BuildUniqueEdgesByScan(doc.m_polygons);
        Require(reference.size() == static_cast<std::size_t>(doc.m_nUniqueEdges));
        for (std::size_t k = 0; k < reference.size(); ++k) {
            Require(reference[k] == doc.m_edges[k]);
        }
    }

    // Every vertex lies in the box (comparisons with NaN are false, so NaN passes).
    for (const quorvane::CVector3D& v : doc.m_vertices) {
        Require(!(v.x < doc.m_minX || v.x > doc.m_maxX));
        Require(!(v.y < doc.m_minY || v.y > doc.m_maxY));
        Require(!(v.z < doc.m_minZ || v.z > doc.m_maxZ));
    }
}

// A written model that reads back must have the same counts and index lists.
void CheckReadBack(const CQuorvaneDoc& doc, const std::string& text) {
    // Whatever was loaded, strictly or with repairs, is written as a file the strict reading accepts.
    CQuorvaneDoc again;
    Require(again.LoadFromText(text));
    Require(again.m_nVertices == doc.m_nVertices && again.m_nPolygons == doc.m_nPolygons);
    Require(again.m_nEdges == doc.m_nEdges && again.m_nLargestPolygon == doc.m_nLargestPolygon);
    Require(again.m_nUniqueEdges == doc.m_nUniqueEdges);
    Require(again.m_polygons.Indices() == doc.m_polygons.Indices());
}

// Loads the input in one reading mode and checks the model and its written form.
void CheckReading(std::string_view text, const quorvane::OffReadOptions& options) {
    CQuorvaneDoc doc;
    quorvane::OffError error;
    quorvane::OffRepairReport report;
    const bool ok = doc.LoadFromText(text, &error, options, &report);

    // Reading the two sections on two threads must give the same result in every respect.
    quorvane::OffReadOptions parallel = options;
    parallel.parallelFromBytes = 0;
    CQuorvaneDoc other;
    quorvane::OffError otherError;
    quorvane::OffRepairReport otherReport;
    Require(other.LoadFromText(text, &otherError, parallel, &otherReport) == ok);
    Require(otherError.line == error.line && otherError.reason == error.reason);
    Require(otherReport.Summary() == report.Summary() && otherReport.Total() == report.Total());
    Require(other.m_vertices == doc.m_vertices && other.m_polygons.Indices() == doc.m_polygons.Indices());
    Require(other.m_nPolygons == doc.m_nPolygons && other.m_nEdges == doc.m_nEdges);

    if (!ok) {
        Require(!error.reason.empty());
        // A refused load keeps the empty model.
        Require(doc.m_nVertices == 0 && doc.m_nPolygons == 0 && doc.m_vertices.empty());
        return;
    }
    Require(options.repair || report.Empty());
    Require(report.Examples().size() <= report.Total());
    CheckLoadedModel(doc);
    std::string written;
    Require(doc.SaveToText(written));
    CheckReadBack(doc, written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckReading(text, quorvane::OffReadOptions{false});
    CheckReading(text, quorvane::OffReadOptions{true});
    return 0;
}
