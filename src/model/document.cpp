#include "model/document.h"

#include <cassert>
#include <cstdint>
#include <exception>
#include <new>
#include <utility>

#include "model/file_io.h"
#include "model/huge_pages.h"
#include "model/input_limit.h"
#include "model/numbers.h"
#include "model/off_reader.h"
#include "model/off_writer.h"

namespace quorvane {

void CPolygon::FormatFaceLine(std::string& out) const {
    AppendInt(out, m_size);
    out.push_back(' ');
    for (int i = 0; i < m_size; ++i) {
        if (i > 0) {
            out.push_back(' ');
        }
        AppendInt(out, m_indices[i]);
        out.push_back(' ');
    }
}

void CPolygonArray::Clear() {
    m_indices.clear();
    m_offsets.assign(1, 0);
}

void CPolygonArray::Reserve(std::size_t polygons, std::size_t indices) {
    m_offsets.reserve(polygons + 1);
    AdviseHugePagesFor(m_offsets);
    m_indices.reserve(indices);
    AdviseHugePagesFor(m_indices);
}

void CPolygonArray::Append(const int* indices, int size) {
    m_indices.insert(m_indices.end(), indices, indices + size);
    EndPolygon();
}

bool CQuorvaneDoc::OnNewDocument() {
    DeleteContents();
    m_bModified = false;
    return true;
}

void CQuorvaneDoc::DeleteContents() {
    m_maxX = m_maxY = m_maxZ = 0.5;
    m_minX = m_minY = m_minZ = -0.5;
    m_nVertices = m_nPolygons = m_nEdges = m_nUniqueEdges = m_nLargestPolygon = 0;
    // Emptying keeps the arrays' storage for the next model; clearing the edges costs nothing
    // (CEdge has no destructor) and leaves no entry of the old model behind the count.
    m_vertices.clear();
    m_polygons.Clear();
    m_edges.clear();
}

void CQuorvaneDoc::TakeModel(CQuorvaneDoc&& other) noexcept {
    // Move assignments only: the old arrays are freed and nothing is allocated. `other` is left
    // to be destroyed or reset (OnNewDocument).
    m_vertices = std::move(other.m_vertices);
    m_polygons = std::move(other.m_polygons);
    m_edges = std::move(other.m_edges);
    m_nVertices = other.m_nVertices;
    m_nPolygons = other.m_nPolygons;
    m_nEdges = other.m_nEdges;
    m_nUniqueEdges = other.m_nUniqueEdges;
    m_nLargestPolygon = other.m_nLargestPolygon;
    m_maxX = other.m_maxX;
    m_minX = other.m_minX;
    m_maxY = other.m_maxY;
    m_minY = other.m_minY;
    m_maxZ = other.m_maxZ;
    m_minZ = other.m_minZ;
    m_bModified = false;
}

namespace {

// Calls f(edge) for every polygon side in order: by polygon, and within one from position 0.
template <typename F>
void ForEachSide(const CPolygonArray& polygons, F&& f) {
    const int polygonCount = polygons.GetSize();
    for (int p = 0; p < polygonCount; ++p) {
        const CPolygon polygon = polygons[p];
        const int n = polygon.GetSize();
        for (int j = 0; j < n; ++j) {
            f(polygon.GetEdge(j));
        }
    }
}

// `size` copies of `value` in storage backed by huge pages where possible.
template <typename T>
std::vector<T> FilledArray(std::size_t size, T value = T()) {
    std::vector<T> array;
    array.reserve(size);
    AdviseHugePagesFor(array);
    array.assign(size, value);
    return array;
}

}  // namespace

std::vector<CEdge> BuildUniqueEdgesByVertex(const CPolygonArray& polygons, int vertexBound) {
    // Buckets the sides by their smaller vertex (a counting sort that keeps the order of the
    // sides inside each bucket), marks the first side of each distinct pair with a stamp per
    // larger vertex, then lists the marked sides in their original order. Every pass is linear
    // and reads memory mostly in sequence, unlike a hash table.
    std::vector<CEdge> edges;
    const std::size_t sides = polygons.IndexCount();
    if (sides == 0 || vertexBound <= 0) {
        return edges;
    }
    const auto bound = static_cast<std::size_t>(vertexBound);
    std::vector<std::uint32_t> next = FilledArray<std::uint32_t>(bound + 1);
    ForEachSide(polygons, [&](const CEdge& e) { ++next[static_cast<std::size_t>(e.m_nV1) + 1]; });
    for (std::size_t v = 1; v <= bound; ++v) {
        next[v] += next[v - 1];
    }
    std::vector<std::uint32_t> partner = FilledArray<std::uint32_t>(sides);
    std::vector<std::uint32_t> sideOf = FilledArray<std::uint32_t>(sides);
    std::uint32_t side = 0;
    ForEachSide(polygons, [&](const CEdge& e) {
        const std::uint32_t at = next[e.m_nV1]++;
        partner[at] = static_cast<std::uint32_t>(e.m_nV2);
        sideOf[at] = side++;
    });
    // next[v] is now the end of the bucket of v, which begins where the bucket of v - 1 ends.
    std::vector<std::uint8_t> first = FilledArray<std::uint8_t>(sides);
    std::vector<std::int32_t> stamp = FilledArray<std::int32_t>(bound, -1);
    std::size_t unique = 0;
    std::uint32_t begin = 0;
    for (std::size_t v = 0; v < bound; ++v) {
        const std::uint32_t end = next[v];
        for (std::uint32_t at = begin; at < end; ++at) {
            const std::uint32_t other = partner[at];
            if (stamp[other] != static_cast<std::int32_t>(v)) {
                stamp[other] = static_cast<std::int32_t>(v);
                first[sideOf[at]] = 1;
                ++unique;
            }
        }
        begin = end;
    }
    edges.reserve(unique);
    AdviseHugePagesFor(edges);
    side = 0;
    ForEachSide(polygons, [&](const CEdge& e) {
        if (first[side++]) {
            edges.push_back(e);
        }
    });
    return edges;
}

namespace {

// Sets the reason of a failure (when asked for) and returns false.
bool Disagree(std::string* why, std::string reason) {
    if (why) {
        *why = std::move(reason);
    }
    return false;
}

// A failure with no line; a reason that cannot be stored for lack of memory is left empty.
bool Refuse(OffError& error, const char* reason) noexcept {
    error.line = 0;
    try {
        error.reason = reason;
    } catch (const std::bad_alloc&) {
        error.reason.clear();
    }
    return false;
}

// Runs a load. Running out of memory, or any other failure of the system's resources (such as a
// thread that cannot be started), becomes a refusal; by then the partly read model is freed.
template <typename Load>
bool LoadOrRefuse(OffError& error, Load&& load) noexcept {
    try {
        return load();
    } catch (const std::bad_alloc&) {
        return Refuse(error, "not enough memory to read the file");
    } catch (const std::exception& e) {
        return Refuse(error, e.what());
    }
}

// The reason of a save that ran out of memory.
bool RefuseSaveForMemory(std::string* error) noexcept {
    if (error) {
        try {
            *error = "not enough memory to write the file";
        } catch (const std::bad_alloc&) {
            error->clear();
        }
    }
    return false;
}

}  // namespace

// Indices of a loaded model are dense in 0 .. V - 1, which is what bucketing by vertex needs.
void CQuorvaneDoc::BuildUniqueEdges() {
    m_edges = BuildUniqueEdgesByVertex(m_polygons, m_nVertices);
    m_nUniqueEdges = static_cast<int>(m_edges.size());
}

bool CQuorvaneDoc::CheckConsistency(std::string* why) const {
    using std::to_string;
    if (m_nVertices < 0 || m_vertices.size() != static_cast<std::size_t>(m_nVertices)) {
        return Disagree(why, "m_vertices holds " + to_string(m_vertices.size()) +
                                 " vertices but m_nVertices is " + to_string(m_nVertices));
    }
    if (m_polygons.GetSize() != m_nPolygons) {
        return Disagree(why, "m_polygons holds " + to_string(m_polygons.GetSize()) +
                                 " polygons but m_nPolygons is " + to_string(m_nPolygons));
    }
    if (m_polygons.IndexCount() != static_cast<std::size_t>(m_nEdges)) {
        return Disagree(why, "the polygons have " + to_string(m_polygons.IndexCount()) +
                                 " sides but m_nEdges is " + to_string(m_nEdges));
    }
    if (m_nUniqueEdges < 0 || m_edges.size() != static_cast<std::size_t>(m_nUniqueEdges)) {
        return Disagree(why, "m_edges holds " + to_string(m_edges.size()) + " edges but m_nUniqueEdges is " +
                                 to_string(m_nUniqueEdges));
    }
    const auto inRange = [this](int index) { return index >= 0 && index < m_nVertices; };
    const std::string range = "outside 0 .. " + to_string(m_nVertices - 1);
    int largest = 0;
    for (int j = 0; j < m_nPolygons; ++j) {
        const CPolygon polygon = m_polygons[j];
        largest = polygon.GetSize() > largest ? polygon.GetSize() : largest;
        for (int i = 0; i < polygon.GetSize(); ++i) {
            if (!inRange(polygon.GetAt(i))) {
                return Disagree(why, "polygon " + to_string(j) + " has index " + to_string(polygon.GetAt(i)) +
                                         " at position " + to_string(i) + ", " + range);
            }
        }
    }
    if (largest != m_nLargestPolygon) {
        return Disagree(why, "the largest polygon has " + to_string(largest) +
                                 " vertices but m_nLargestPolygon is " + to_string(m_nLargestPolygon));
    }
    for (int k = 0; k < m_nUniqueEdges; ++k) {
        const CEdge& edge = m_edges[k];
        if (!inRange(edge.m_nV1) || !inRange(edge.m_nV2)) {
            return Disagree(why, "edge " + to_string(k) + " (" + to_string(edge.m_nV1) + ", " +
                                     to_string(edge.m_nV2) + ") has an end " + range);
        }
        if (edge.m_nV1 > edge.m_nV2) {
            return Disagree(why, "edge " + to_string(k) + " is stored larger end first");
        }
    }
    if (m_bModified) {
        return true;
    }
    // max x, min x, max y, min y, max z, min z, as the reader keeps them.
    const double box[6] = {m_maxX, m_minX, m_maxY, m_minY, m_maxZ, m_minZ};
    static const char* const kBound[6] = {"maximum x", "minimum x", "maximum y",
                                          "minimum y", "maximum z", "minimum z"};
    if (m_nVertices == 0) {
        for (int b = 0; b < 6; ++b) {
            if (box[b] != (b % 2 == 0 ? 0.5 : -0.5)) {
                return Disagree(why, std::string("the empty model's ") + kBound[b] + " is " +
                                         to_string(box[b]) + ", not " + (b % 2 == 0 ? "0.5" : "-0.5"));
            }
        }
        return true;
    }
    bool attained[6] = {};
    for (int k = 0; k < m_nVertices; ++k) {
        const CVector3D& v = m_vertices[k];
        const double xyz[3] = {v.x, v.y, v.z};
        for (int axis = 0; axis < 3; ++axis) {
            const double value = xyz[axis];
            // Written so that a coordinate that is not a number lies outside.
            if (!(value <= box[2 * axis] && value >= box[2 * axis + 1])) {
                return Disagree(why, "vertex " + to_string(k) + " lies outside the box in " +
                                         (kBound[2 * axis] + 8) + " (" + to_string(value) + ")");
            }
            attained[2 * axis] = attained[2 * axis] || value == box[2 * axis];
            attained[2 * axis + 1] = attained[2 * axis + 1] || value == box[2 * axis + 1];
        }
    }
    for (int b = 0; b < 6; ++b) {
        if (!attained[b]) {
            return Disagree(why, std::string("no vertex reaches the box's ") + kBound[b] + " (" +
                                     to_string(box[b]) + ")");
        }
    }
    return true;
}

bool CQuorvaneDoc::ReadAndTakeModel(std::string_view text, FileBytes* consumed, OffError& error,
                                    const OffReadOptions& options, OffRepairReport* report,
                                    OffReadStats* stats) {
    CQuorvaneDoc read;
    if (!ReadOffText(text, read, error, options, report, stats)) {
        return false;
    }
    // The text is gone before the edge table is built, which keeps the peak memory low.
    if (consumed) {
        consumed->Clear();
    }
    if (options.buildEdges) {
        read.BuildUniqueEdges();
    }
    TakeModel(std::move(read));
    assert(CheckConsistency());
    return true;
}

bool CQuorvaneDoc::LoadFromText(std::string_view text, OffError* error, const OffReadOptions& options,
                                OffRepairReport* report, OffReadStats* stats) {
    OffError local;
    OffError& err = error ? *error : local;
    return LoadOrRefuse(err, [&] { return ReadAndTakeModel(text, nullptr, err, options, report, stats); });
}

bool CQuorvaneDoc::LoadFromOwnedText(FileBytes& text, OffError* error, const OffReadOptions& options,
                                     OffRepairReport* report, OffReadStats* stats) {
    OffError local;
    OffError& err = error ? *error : local;
    return LoadOrRefuse(err,
                        [&] { return ReadAndTakeModel(text.View(), &text, err, options, report, stats); });
}

bool CQuorvaneDoc::LoadFromFile(const std::string& path, OffError* error, const OffReadOptions& options,
                                OffRepairReport* report, OffReadStats* stats) {
    OffError local;
    OffError& err = error ? *error : local;
    if (report) {
        report->Clear();
    }
    if (stats) {
        *stats = OffReadStats{};
    }
    return LoadOrRefuse(err, [&] {
        FileBytes text;
        if (ReadOffFile(path, options, text, err) != ReadStatus::kRead) {
            return false;
        }
        return ReadAndTakeModel(text.View(), &text, err, options, report, stats);
    });
}

bool CQuorvaneDoc::SaveToText(std::string& out, std::string* error) const {
    try {
        return WriteOffText(*this, out, error);
    } catch (const std::bad_alloc&) {
        return RefuseSaveForMemory(error);
    }
}

bool CQuorvaneDoc::SaveToFile(const std::string& path, std::string* error) {
    try {
        std::string text;
        if (!WriteOffText(*this, text, error) || !WriteFileAtomically(path, text, error)) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        return RefuseSaveForMemory(error);
    }
    m_bModified = false;
    return true;
}

}  // namespace quorvane
