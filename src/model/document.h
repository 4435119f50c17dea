// The document: the one mesh the program shows, with its derived edge list, counts and box.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/vector3d.h"
#include "model/off_types.h"

namespace quorvane {

class FileBytes;

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
    // Appends the face text without line end to `out`: "n " then each index and a blank,
    // indices two blanks apart ("3 0  1  2 ").
    void FormatFaceLine(std::string& out) const;

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
    // Resets to the empty model: counts 0, no vertices, polygons or edges, the box at +-0.5.
    void DeleteContents();

    // Reads OFF text. On success the model replaces the current one; on failure the current
    // model is kept and `error` (when given) says where and why.
    // With options.repair, departures from the strict layout are repaired and listed in
    // `report` (when given). `stats` (when given) says how the text was read.
    bool LoadFromText(std::string_view text, OffError* error = nullptr, const OffReadOptions& options = {},
                      OffRepairReport* report = nullptr, OffReadStats* stats = nullptr);
    // LoadFromText of a text the caller gives up once it is read: when the reading accepts it, the
    // text is emptied and its storage freed before the edge list is built, which keeps the peak
    // memory of a large file low. A refused text is left as it was (to be read again with repairs).
    bool LoadFromOwnedText(FileBytes& text, OffError* error = nullptr, const OffReadOptions& options = {},
                           OffRepairReport* report = nullptr, OffReadStats* stats = nullptr);
    // Reads an OFF file whole. A file that cannot be read reports the system's reason; one larger
    // than the input limit (options.maxBytes, or DefaultInputLimit) is refused before it is read,
    // and a stream as soon as it passes the limit or its first bytes settle a refusal.
    // Both loads refuse, rather than throw, when memory runs out: OffError{0, "not enough
    // memory ..."}, the current model kept.
    bool LoadFromFile(const std::string& path, OffError* error = nullptr, const OffReadOptions& options = {},
                      OffRepairReport* report = nullptr, OffReadStats* stats = nullptr);
    // The model as OFF text, exactly as it is saved.
    bool SaveToText(std::string& out, std::string* error = nullptr) const;
    // Writes the model atomically: a temporary file beside the target, flushed, then renamed.
    // Success clears the modified flag. Running out of memory is a failure with its reason.
    bool SaveToFile(const std::string& path, std::string* error = nullptr);

    // Rebuilds m_edges and m_nUniqueEdges from m_polygons, in order of first appearance. Every
    // index must lie in 0 .. m_nVertices - 1, as after a load.
    void BuildUniqueEdges();
    // Endpoint k of the flat list of edge ends: m_edges[k / 2].m_nV1 or .m_nV2.
    int GetEdgeEndpoint(int k) const { return (k & 1) ? m_edges[k >> 1].m_nV2 : m_edges[k >> 1].m_nV1; }

    // Whether vertices were moved since the last load or save.
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    // Moves the model of `other` into this document (all fields and the edge list); allocates
    // nothing, so it cannot fail.
    void TakeModel(CQuorvaneDoc&& other) noexcept;

    // Whether the arrays agree with their counts (vertices, polygons, sides, largest polygon,
    // distinct edges), every polygon index and edge end lies in 0 .. m_nVertices - 1 with edges
    // stored smaller end first, and the box is that of the vertices: it holds every vertex and
    // each of its six bounds is some vertex's coordinate (the +-0.5 box for the empty model).
    // The box is checked only while the vertices are as loaded (a drag moves vertices and
    // leaves the box). On failure `why` (when given) names the first disagreement.
    bool CheckConsistency(std::string* why = nullptr) const;

  private:
    // The loads' common part: reads `text` into a new model and, when the reading accepts it,
    // frees `consumed` (when given; the storage `text` views) before the edge list is built, then
    // takes the model. May throw std::bad_alloc; the loads turn that into a refusal.
    bool ReadAndTakeModel(std::string_view text, FileBytes* consumed, OffError& error,
                          const OffReadOptions& options, OffRepairReport* report, OffReadStats* stats);

    bool m_bModified = false;
};

// The distinct edges in order of first appearance, by bucketing the sides by their smaller
// vertex; every index must lie in 0 .. vertexBound - 1.
std::vector<CEdge> BuildUniqueEdgesByVertex(const CPolygonArray& polygons, int vertexBound);

}  // namespace quorvane
