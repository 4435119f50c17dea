// libFuzzer target for the OFF reader: every accepted load must leave a consistent model that
// the writer can write and that reads back with the same counts and indices.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/document.h"
#include "model/off_reader.h"
#include "model/thread_start.h"
#include "support/unique_edges_reference.h"

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
// polygon (or none, a point set, when repairing), and lists the distinct edges the literal scan
// lists.
void CheckLoadedModel(const CQuorvaneDoc& doc, bool repair) {
    Require(doc.CheckConsistency());
    Require(doc.m_nVertices > 0 && (doc.m_nPolygons > 0 || repair));
    if (doc.m_nEdges <= kMaxSidesForReference) {
        Require(quorvane::testing::BuildUniqueEdgesByScan(doc.m_polygons) == doc.m_edges);
    }
}

// A written model that reads back must have the same counts and index lists.
void CheckReadBack(const CQuorvaneDoc& doc, const std::string& text) {
    // Whatever was loaded, strictly or with repairs, is written as a file the strict reading
    // accepts; a point set (no polygons) as one that only needs that repair.
    CQuorvaneDoc again;
    if (doc.m_nPolygons == 0) {
        quorvane::OffRepairReport report;
        Require(again.LoadFromText(text, nullptr, quorvane::OffReadOptions{true}, &report));
        Require(report.Total() == 1 && report.Count(quorvane::OffRepairKind::kPointSet) == 1);
    } else {
        Require(again.LoadFromText(text));
    }
    Require(again.m_nVertices == doc.m_nVertices && again.m_nPolygons == doc.m_nPolygons);
    Require(again.m_nEdges == doc.m_nEdges && again.m_nLargestPolygon == doc.m_nLargestPolygon);
    Require(again.m_nUniqueEdges == doc.m_nUniqueEdges);
    Require(again.m_polygons.Indices() == doc.m_polygons.Indices());
}

// One reading of the text: the model, the refusal, the repairs and how it was read.
struct Reading {
    CQuorvaneDoc doc;
    quorvane::OffError error;
    quorvane::OffRepairReport report;
    quorvane::OffReadStats stats;
    bool ok = false;
};

void Read(std::string_view text, const quorvane::OffReadOptions& options, Reading& r) {
    r.ok = r.doc.LoadFromText(text, &r.error, options, &r.report, &r.stats);
}

// Two readings agree in every respect: result, refusal, repairs and model.
void RequireSame(const Reading& a, const Reading& b) {
    Require(a.ok == b.ok);
    Require(a.error.line == b.error.line && a.error.reason == b.error.reason);
    Require(a.report.Summary() == b.report.Summary() && a.report.Total() == b.report.Total());
    Require(a.doc.m_vertices == b.doc.m_vertices && a.doc.m_polygons.Indices() == b.doc.m_polygons.Indices());
    Require(a.doc.m_nPolygons == b.doc.m_nPolygons && a.doc.m_nEdges == b.doc.m_nEdges);
    Require(a.doc.m_edges == b.doc.m_edges);
}

// Where the first bytes settle a refusal, the whole text is refused for that very reason.
void CheckStartRefusal(std::string_view start, const Reading& whole,
                       const quorvane::OffReadOptions& options) {
    quorvane::OffError early;
    if (quorvane::OffStartIsRefused(start, options, early)) {
        Require(!whole.ok && early.line == whole.error.line && early.reason == whole.error.reason);
    }
}

// Loads the input in one reading mode, serially, on two threads and with the second thread
// refused, and checks that all three agree, then the model and its written form.
void CheckReading(std::string_view text, quorvane::OffReadOptions options) {
    options.parallelFromBytes = ~std::size_t{0};
    Reading serial;
    Read(text, options, serial);
    Require(!serial.stats.twoThreads);

    // Two threads from the first byte on, as files of 1 MiB and more are read.
    quorvane::OffReadOptions parallel = options;
    parallel.parallelFromBytes = 0;
    Reading twoThreads;
    Read(text, parallel, twoThreads);
    RequireSame(serial, twoThreads);
    // Every accepted text with polygons has a vertex section that ends, so the second thread ran.
    const bool binary = serial.report.Count(quorvane::OffRepairKind::kBinary) != 0;
    if (serial.ok && serial.doc.m_nPolygons > 0 && !binary) {
        Require(twoThreads.stats.twoThreads && !twoThreads.stats.threadRefused);
    }

    // The system refuses the second thread: the faces are read after the vertices instead.
    quorvane::LimitThreadStartsForTesting(0);
    Reading refused;
    Read(text, parallel, refused);
    quorvane::LimitThreadStartsForTesting(-1);
    RequireSame(serial, refused);
    Require(!refused.stats.twoThreads);
    Require(refused.stats.threadRefused == twoThreads.stats.twoThreads);

    CheckStartRefusal(text, serial, options);
    CheckStartRefusal(text.substr(0, text.size() / 2), serial, options);

    const CQuorvaneDoc& doc = serial.doc;
    if (!serial.ok) {
        Require(!serial.error.reason.empty());
        // A refused load keeps the empty model.
        Require(doc.m_nVertices == 0 && doc.m_nPolygons == 0 && doc.m_vertices.empty());
        Require(doc.CheckConsistency());
        return;
    }
    Require(options.repair || serial.report.Empty());
    Require(serial.report.Examples().size() <= serial.report.Total());
    CheckLoadedModel(doc, options.repair);
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
