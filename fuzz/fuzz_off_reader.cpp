// libFuzzer target for the OFF reader: every accepted load must leave a consistent model that
// the writer can write and that reads back with the same counts and indices.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/document.h"
#include "model/unique_edges_reference.h"

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

// An accepted load passes the document's own consistency check, has at least one vertex and one
// polygon, and lists the distinct edges the literal scan lists.
void CheckLoadedModel(const CQuorvaneDoc& doc) {
    Require(doc.CheckConsistency());
    Require(doc.m_nVertices > 0 && doc.m_nPolygons > 0);
    if (doc.m_nEdges <= kMaxSidesForReference) {
        Require(quorvane::testing::BuildUniqueEdgesByScan(doc.m_polygons) == doc.m_edges);
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
        Require(doc.CheckConsistency());
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
