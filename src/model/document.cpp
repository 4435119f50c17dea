#include "model/document.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "model/numbers.h"

namespace quorvane {

std::string CPolygon::FormatFaceLine() const {
    std::string text;
    AppendFaceLine(text);
    return text;
}

void CPolygon::AppendFaceLine(std::string& out) const {
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
    m_indices.reserve(indices);
}

void CPolygonArray::Append(const int* indices, int size) {
    m_indices.insert(m_indices.end(), indices, indices + size);
    EndPolygon();
}

std::string OffError::ToString() const {
    if (line == 0) {
        return reason;
    }
    return "line " + std::to_string(line) + ": " + reason;
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
    m_vertices.clear();
    m_polygons.Clear();
    // m_edges keeps its old entries; m_nUniqueEdges = 0 empties it for every reader.
}

void CQuorvaneDoc::TakeModel(CQuorvaneDoc&& other) {
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
    other.m_polygons.Clear();
}

namespace {

// Mixes an edge's two indices into a well-spread 64-bit hash.
std::uint64_t HashEdge(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return key;
}

}  // namespace

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

}  // namespace

std::vector<CEdge> BuildUniqueEdgesByHash(const CPolygonArray& polygons) {
    // Open addressing keyed by the packed vertex pair: each side is looked up once, and a new
    // edge is appended when first seen, which keeps the order of first appearance.
    std::vector<CEdge> edges;
    const std::size_t sides = polygons.IndexCount();
    if (sides == 0) {
        return edges;
    }
    edges.reserve(sides / 2 + 1);
    // At most `sides` distinct edges, so the table stays at most 80 % full.
    const std::size_t capacity = std::bit_ceil(sides + sides / 4 + 1);
    const std::size_t mask = capacity - 1;
    // Slot value 0 marks an empty slot; a stored key is never 0 because m_nV2 is stored plus one.
    std::vector<std::uint64_t> slots(capacity, 0);
    ForEachSide(polygons, [&](const CEdge& e) {
        const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(e.m_nV1)) << 32) +
                                  (static_cast<std::uint64_t>(static_cast<std::uint32_t>(e.m_nV2)) + 1);
        std::size_t slot = HashEdge(key) & mask;
        while (slots[slot] != 0 && slots[slot] != key) {
            slot = (slot + 1) & mask;
        }
        if (slots[slot] == 0) {
            slots[slot] = key;
            edges.push_back(e);
        }
    });
    return edges;
}

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
    std::vector<std::uint32_t> next(bound + 1, 0);
    ForEachSide(polygons, [&](const CEdge& e) { ++next[static_cast<std::size_t>(e.m_nV1) + 1]; });
    for (std::size_t v = 1; v <= bound; ++v) {
        next[v] += next[v - 1];
    }
    std::vector<std::uint32_t> partner(sides);
    std::vector<std::uint32_t> sideOf(sides);
    std::uint32_t side = 0;
    ForEachSide(polygons, [&](const CEdge& e) {
        const std::uint32_t at = next[e.m_nV1]++;
        partner[at] = static_cast<std::uint32_t>(e.m_nV2);
        sideOf[at] = side++;
    });
    // next[v] is now the end of the bucket of v, which begins where the bucket of v - 1 ends.
    std::vector<std::uint8_t> first(sides, 0);
    std::vector<std::int32_t> stamp(bound, -1);
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
    side = 0;
    ForEachSide(polygons, [&](const CEdge& e) {
        if (first[side++]) {
            edges.push_back(e);
        }
    });
    return edges;
}

void CQuorvaneDoc::BuildUniqueEdges() {
    // Bucketing by vertex is the fastest way when the indices are dense (as after a load, where
    // they lie in 0 .. V - 1); sparse or negative indices take the hash table.
    int lowest = 0;
    int highest = -1;
    for (const int index : m_polygons.Indices()) {
        lowest = std::min(lowest, index);
        highest = std::max(highest, index);
    }
    const std::size_t sides = m_polygons.IndexCount();
    if (lowest >= 0 && static_cast<std::size_t>(highest) < 4 * sides + 1024 &&
        sides < (std::size_t{1} << 31)) {
        m_edges = BuildUniqueEdgesByVertex(m_polygons, highest + 1);
    } else {
        m_edges = BuildUniqueEdgesByHash(m_polygons);
    }
    m_nUniqueEdges = static_cast<int>(m_edges.size());
}

std::vector<CEdge> BuildUniqueEdgesByScan(const CPolygonArray& polygons) {
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

}  // namespace quorvane

namespace quorvane {

void OffRepairReport::Add(OffRepairKind kind, std::size_t line, std::string detail) {
    if (WantsDetail(kind)) {
        m_examples.push_back(OffRepair{kind, line, std::move(detail)});
    }
    ++m_counts[Index(kind)];
    ++m_total;
}

void OffRepairReport::Append(const OffRepairReport& later) {
    std::size_t taken[static_cast<std::size_t>(OffRepairKind::kCount)] = {};
    for (const OffRepair& repair : later.m_examples) {
        const std::size_t k = Index(repair.kind);
        if (m_counts[k] + taken[k] < kExamplesPerKind) {
            m_examples.push_back(repair);
        }
        ++taken[k];
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(OffRepairKind::kCount); ++k) {
        m_counts[k] += later.m_counts[k];
    }
    m_total += later.m_total;
}

void OffRepairReport::Clear() {
    *this = OffRepairReport();
}

const char* OffRepairReport::KindName(OffRepairKind kind) {
    switch (kind) {
        case OffRepairKind::kByteOrderMark:
            return "byte_order_mark";
        case OffRepairKind::kKeywordVariant:
            return "keyword_variant";
        case OffRepairKind::kKeywordBlanks:
            return "keyword_blanks";
        case OffRepairKind::kCountsOnKeyword:
            return "counts_on_keyword_line";
        case OffRepairKind::kMissingKeyword:
            return "missing_keyword";
        case OffRepairKind::kBinary:
            return "binary";
        case OffRepairKind::kCommentLine:
            return "comment_line";
        case OffRepairKind::kTrailingComment:
            return "trailing_comment";
        case OffRepairKind::kBlankLine:
            return "blank_line";
        case OffRepairKind::kBadIndexFace:
            return "bad_index_polygon";
        case OffRepairKind::kNegativeCountFace:
            return "negative_count_polygon";
        case OffRepairKind::kShortFace:
            return "short_polygon";
        case OffRepairKind::kMissingFaces:
            return "missing_polygons";
        case OffRepairKind::kCount:
            break;
    }
    return "unknown";
}

const char* OffRepairReport::KindTitle(OffRepairKind kind) {
    switch (kind) {
        case OffRepairKind::kByteOrderMark:
            return "byte-order mark removed";
        case OffRepairKind::kKeywordVariant:
            return "keyword variant read as OFF";
        case OffRepairKind::kKeywordBlanks:
            return "blanks around the keyword ignored";
        case OffRepairKind::kCountsOnKeyword:
            return "counts read from the keyword's line";
        case OffRepairKind::kMissingKeyword:
            return "missing OFF keyword";
        case OffRepairKind::kBinary:
            return "binary form read";
        case OffRepairKind::kCommentLine:
            return "comment lines skipped";
        case OffRepairKind::kTrailingComment:
            return "comments after data removed";
        case OffRepairKind::kBlankLine:
            return "blank lines skipped";
        case OffRepairKind::kBadIndexFace:
            return "polygons with a vertex index out of range dropped";
        case OffRepairKind::kNegativeCountFace:
            return "polygons with a negative vertex count dropped";
        case OffRepairKind::kShortFace:
            return "polygons with fewer indices than their count dropped";
        case OffRepairKind::kMissingFaces:
            return "file ends before all polygons";
        case OffRepairKind::kCount:
            break;
    }
    return "unknown repair";
}

std::string OffRepairReport::Summary() const {
    std::string text;
    for (std::size_t k = 0; k < static_cast<std::size_t>(OffRepairKind::kCount); ++k) {
        if (m_counts[k] == 0) {
            continue;
        }
        const auto kind = static_cast<OffRepairKind>(k);
        text += std::to_string(m_counts[k]) + " x " + KindTitle(kind) + "\n";
        for (const OffRepair& repair : m_examples) {
            if (repair.kind != kind) {
                continue;
            }
            text += "    ";
            if (repair.line != 0) {
                text += "line " + std::to_string(repair.line) + ": ";
            }
            text += repair.detail + "\n";
        }
        if (m_counts[k] > kExamplesPerKind) {
            text += "    and " + std::to_string(m_counts[k] - kExamplesPerKind) + " more\n";
        }
    }
    return text;
}

}  // namespace quorvane
