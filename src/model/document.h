// The document: the one mesh the program shows, with its derived edge list, counts and box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/vector3d.h"

namespace quorvane {

// An undirected edge, stored smaller vertex index first.
struct CEdge {
    int m_nV1 = 0;
    int m_nV2 = 0;

    CEdge() = default;
    CEdge(int a, int b) : m_nV1(a < b ? a : b), m_nV2(a < b ? b : a) {}
    bool operator==(const CEdge&) const = default;
};

// One face of the mesh: a read-only view of its vertex indices inside the document's flat
// polygon storage (no allocation per polygon).
class CPolygon {
  public:
    CPolygon() = default;
    CPolygon(const int* indices, int size) : m_indices(indices), m_size(size) {}

    int GetSize() const { return m_size; }
    // Index number i, 0 <= i < GetSize(); the position is not tested.
    int GetAt(int i) const { return m_indices[i]; }
    // The side from position j to position j + 1, the last position followed by position 0.
    CEdge GetEdge(int j) const { return CEdge(m_indices[j], m_indices[j + 1 == m_size ? 0 : j + 1]); }
    // The face text without line end: "n " then each index and a blank, indices two blanks apart.
    std::string FormatFaceLine() const;
    // Appends FormatFaceLine() to `out` without a temporary string.
    void AppendFaceLine(std::string& out) const;

    const int* begin() const { return m_indices; }
    const int* end() const { return m_indices + m_size; }

  private:
    const int* m_indices = nullptr;
    int m_size = 0;
};

// All polygons of a model in one flat index array with an offset per polygon.
class CPolygonArray {
  public:
    int GetSize() const { return static_cast<int>(m_offsets.size()) - 1; }
    bool IsEmpty() const { return GetSize() == 0; }
    CPolygon operator[](int j) const {
        const std::size_t first = m_offsets[j];
        return CPolygon(m_indices.data() + first, static_cast<int>(m_offsets[j + 1] - first));
    }
    void Clear();
    void Reserve(std::size_t polygons, std::size_t indices);
    // Appends a polygon whose indices were pushed with PushIndex since the last EndPolygon.
    void PushIndex(int index) { m_indices.push_back(index); }
    void EndPolygon() { m_offsets.push_back(m_indices.size()); }
    // Drops the indices pushed since the last EndPolygon.
    void DiscardOpenPolygon() { m_indices.resize(m_offsets.back()); }
    void Append(const int* indices, int size);
    std::size_t IndexCount() const { return m_indices.size(); }
    const std::vector<int>& Indices() const { return m_indices; }

  private:
    std::vector<int> m_indices;
    std::vector<std::size_t> m_offsets{0};
};

// Why a file was refused: the 1-based line (0 when no line is concerned) and the reason.
struct OffError {
    std::size_t line = 0;
    std::string reason;

    // "line N: reason", or the reason alone when no line is concerned.
    std::string ToString() const;
};

// How an OFF file is read. The strict reading is the default; `repair` accepts the common
// departures from the strict layout and reports each one it repaired.
struct OffReadOptions {
    bool repair = false;
    // Text files at least this large read their vertex and face sections on two threads at once;
    // the result is the same as reading them one after the other.
    std::size_t parallelFromBytes = std::size_t{1} << 20;
};

// The kinds of departure the repairing reading accepts.
enum class OffRepairKind {
    kByteOrderMark,      // a UTF-8 byte-order mark before the keyword
    kKeywordVariant,     // COFF, NOFF, STOFF and their combinations
    kKeywordBlanks,      // blanks after the keyword
    kCountsOnKeyword,    // the counts on the keyword's line, or fused with it
    kMissingKeyword,     // no keyword: the file starts with its counts
    kBinary,             // the binary form
    kCommentLine,        // a line holding only a comment
    kTrailingComment,    // a comment after the data on a line
    kBlankLine,          // a blank line where the strict layout has none
    kBadIndexFace,       // a polygon naming a vertex that does not exist, dropped
    kNegativeCountFace,  // a polygon with a negative vertex count, dropped
    kShortFace,          // a polygon with fewer indices than its count, dropped
    kMissingFaces,       // the file ends before all announced polygons
    kCount
};

// One repair: its kind, its 1-based line (0 in the binary form) and what was done.
struct OffRepair {
    OffRepairKind kind = OffRepairKind::kBlankLine;
    std::size_t line = 0;
    std::string detail;
};

// Every repair of one reading, counted per kind; the first few of each kind are kept with their
// lines, so a file with thousands of repaired lines gives a short report.
class OffRepairReport {
  public:
    static constexpr std::size_t kExamplesPerKind = 5;

    // Whether the next repair of `kind` will be kept as an example (so callers build the text
    // of a detail only when it will be shown).
    bool WantsDetail(OffRepairKind kind) const { return m_counts[Index(kind)] < kExamplesPerKind; }
    void Add(OffRepairKind kind, std::size_t line, std::string detail);
    // Adds the repairs of a later part of the same file, as if they had been added here one by one.
    void Append(const OffRepairReport& later);
    void Clear();

    std::size_t Total() const { return m_total; }
    bool Empty() const { return m_total == 0; }
    std::size_t Count(OffRepairKind kind) const { return m_counts[Index(kind)]; }
    // The kept examples, in the order they were found.
    const std::vector<OffRepair>& Examples() const { return m_examples; }
    // Short name of a kind for machine-readable output ("comment_line").
    static const char* KindName(OffRepairKind kind);
    // Plain-words title of a kind ("comment lines skipped").
    static const char* KindTitle(OffRepairKind kind);
    // The report as text: a line per kind with its count, then its first examples with their
    // lines and "and N more" for the rest.
    std::string Summary() const;

  private:
    static std::size_t Index(OffRepairKind kind) { return static_cast<std::size_t>(kind); }
    std::size_t m_counts[static_cast<std::size_t>(OffRepairKind::kCount)] = {};
    std::size_t m_total = 0;
    std::vector<OffRepair> m_examples;
};

class CQuorvaneDoc {
  public:
    std::vector<CVector3D> m_vertices;
    CPolygonArray m_polygons;
    std::vector<CEdge> m_edges;
    int m_nVertices = 0;
    int m_nPolygons = 0;
    int m_nEdges = 0;
    int m_nUniqueEdges = 0;
    int m_nLargestPolygon = 0;
    double m_maxX = 0.5, m_minX = -0.5;
    double m_maxY = 0.5, m_minY = -0.5;
    double m_maxZ = 0.5, m_minZ = -0.5;

    CQuorvaneDoc() = default;

    // New: resets to the empty model.
    bool OnNewDocument();
    // Resets to the empty model; the old entries of m_edges stay, m_nUniqueEdges becomes 0.
    void DeleteContents();

    // Reads OFF text. On success the model replaces the current one; on failure the current
    // model is kept and `error` (when given) says where and why.
    // With options.repair, departures from the strict layout are repaired and listed in
    // `report` (when given).
    bool LoadFromText(std::string_view text, OffError* error = nullptr, const OffReadOptions& options = {},
                      OffRepairReport* report = nullptr);
    // Reads an OFF file whole. A file that cannot be read reports the system's reason.
    bool LoadFromFile(const std::string& path, OffError* error = nullptr, const OffReadOptions& options = {},
                      OffRepairReport* report = nullptr);
    // The model as OFF text, exactly as it is saved.
    bool SaveToText(std::string& out, std::string* error = nullptr) const;
    // Writes the model atomically: a temporary file beside the target, flushed, then renamed.
    // Success clears the modified flag.
    bool SaveToFile(const std::string& path, std::string* error = nullptr);

    // Rebuilds m_edges and m_nUniqueEdges from m_polygons, in order of first appearance.
    void BuildUniqueEdges();
    // Endpoint k of the flat list of edge ends: m_edges[k / 2].m_nV1 or .m_nV2.
    int GetEdgeEndpoint(int k) const { return (k & 1) ? m_edges[k >> 1].m_nV2 : m_edges[k >> 1].m_nV1; }

    // Whether vertices were moved since the last load or save.
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    // Moves the model of `other` into this document (all fields and the edge list).
    void TakeModel(CQuorvaneDoc&& other);

  private:
    bool m_bModified = false;
};

// Replaces the file at `path` with `bytes` without ever leaving it half written: a temporary
// file in the same folder is written, flushed to disk and renamed over the target. On failure
// the target is untouched and `error` holds the system's reason.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error);

// The distinct edges in order of first appearance through a hash table keyed by the vertex pair.
std::vector<CEdge> BuildUniqueEdgesByHash(const CPolygonArray& polygons);
// The same list by bucketing the sides by vertex; every index must lie in 0 .. vertexBound - 1.
std::vector<CEdge> BuildUniqueEdgesByVertex(const CPolygonArray& polygons, int vertexBound);

// The literal first-appearance scan for distinct edges; quadratic, kept as the reference
// that BuildUniqueEdges must match.
std::vector<CEdge> BuildUniqueEdgesByScan(const CPolygonArray& polygons);

}  // namespace quorvane
