// What the text and the binary form of the OFF reader share: the document being filled, the
// counts, the bounding box, the running totals of the polygons kept, the refusal and the repairs.
// Internal to the model library.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "model/document.h"
#include "model/huge_pages.h"
#include "model/off_types.h"

namespace quorvane {

// The state of one reading of OFF, with the steps that fill the document from it.
class OffModelBuilder {
  public:
    OffModelBuilder(CQuorvaneDoc& out, OffError& error, const OffReadOptions& options,
                    OffRepairReport* report)
        : m_doc(out), m_error(error), m_options(options), m_repair(options.repair), m_report(report) {}

    // Records the refusal (1-based line, 0 when none is concerned) and returns false.
    bool Fail(std::size_t line, std::string reason) {
        m_error.line = line;
        m_error.reason = std::move(reason);
        return false;
    }

    // Records a repair; `detail` is only evaluated when the report keeps it.
    template <typename Detail>
    void Repair(OffRepairKind kind, std::size_t line, Detail detail) {
        if (!m_report) {
            return;
        }
        m_report->Add(kind, line, m_report->WantsDetail(kind) ? std::string(detail()) : std::string());
    }

    // Checks and keeps the counts; `vFound`/`pFound` quote the counts for a refusal of their own,
    // `vWritten`/`pWritten` are the numbers as the file writes them, for every later message.
    // Reserves no more than the `rest` bytes of the file after the counts could hold, so a lying
    // counts line cannot make us allocate beyond what the file's size allows. In repair mode a
    // polygon count of 0 is a point set.
    bool SetCounts(int vertices, int polygons, std::size_t lineNumber, const std::string& vFound,
                   const std::string& pFound, std::string vWritten, std::string pWritten, std::size_t rest) {
        m_nVertices = vertices;
        m_nPolygons = polygons;
        m_verticesWritten = std::move(vWritten);
        m_polygonsWritten = std::move(pWritten);
        if (m_nVertices <= 0) {
            return Fail(lineNumber, "the vertex count must be positive, found " + vFound);
        }
        if (m_nPolygons < 0 || (m_nPolygons == 0 && !m_repair)) {
            return Fail(lineNumber, "the polygon count must be positive, found " + pFound);
        }
        if (m_nPolygons == 0) {
            Repair(OffRepairKind::kPointSet, lineNumber, [&] {
                return "no polygons; read the " + m_verticesWritten +
                       (m_nVertices == 1 ? " vertex" : " vertices") + " as a point set";
            });
        }
        m_doc.m_vertices.reserve(std::min<std::size_t>(m_nVertices, rest / 6 + 1));
        AdviseHugePagesFor(m_doc.m_vertices);
        if (m_binary || rest < m_options.parallelFromBytes) {
            ReservePolygons(m_doc, rest);
        }
        return true;
    }

    // Room for the polygons that `rest` bytes of text can hold at most.
    void ReservePolygons(CQuorvaneDoc& doc, std::size_t rest) const {
        const std::size_t faces = std::min<std::size_t>(m_nPolygons, rest / 2 + 1);
        doc.m_polygons.Reserve(faces, std::min<std::size_t>(faces * 3, rest / 2 + 1));
    }

    // Widens the bounding box by vertex k (`first`: the first of this reading, which sets it) and
    // stores the vertex: appended, or in its slot when the vertex array was sized beforehand.
    void AddVertex(int k, bool first, const double xyz[3]) {
        if (first) {
            for (int axis = 0; axis < 3; ++axis) {
                m_box[2 * axis] = m_box[2 * axis + 1] = xyz[axis];
            }
        } else {
            for (int axis = 0; axis < 3; ++axis) {
                if (xyz[axis] > m_box[2 * axis]) {
                    m_box[2 * axis] = xyz[axis];
                } else if (xyz[axis] < m_box[2 * axis + 1]) {
                    m_box[2 * axis + 1] = xyz[axis];
                }
            }
        }
        if (m_vertexSlots) {
            m_vertexSlots[k] = CVector3D(xyz[0], xyz[1], xyz[2]);
        } else {
            m_doc.m_vertices.emplace_back(xyz[0], xyz[1], xyz[2]);
        }
    }

    std::string VertexEndMessage(int k) const {
        return "end of file where vertex " + std::to_string(k + 1) + " of " + m_verticesWritten +
               " was expected";
    }

    // Widens the document's box by the box of `later`, the vertices that follow the document's:
    // a bound changes only for a value strictly beyond it, so on ties (0 and -0) the earlier
    // vertex's value stays, as when the vertices are read in turn.
    void MergeBox(const CQuorvaneDoc& later) {
        double* const bounds[6] = {&m_doc.m_maxX, &m_doc.m_minX, &m_doc.m_maxY,
                                   &m_doc.m_minY, &m_doc.m_maxZ, &m_doc.m_minZ};
        const double more[6] = {later.m_maxX, later.m_minX, later.m_maxY,
                                later.m_minY, later.m_maxZ, later.m_minZ};
        for (int b = 0; b < 6; b += 2) {
            if (more[b] > *bounds[b]) {
                *bounds[b] = more[b];
            }
            if (more[b + 1] < *bounds[b + 1]) {
                *bounds[b + 1] = more[b + 1];
            }
        }
    }

    void StoreBox() {
        m_doc.m_maxX = m_box[0];
        m_doc.m_minX = m_box[1];
        m_doc.m_maxY = m_box[2];
        m_doc.m_minY = m_box[3];
        m_doc.m_maxZ = m_box[4];
        m_doc.m_minZ = m_box[5];
    }

    // Accepts a polygon of n indices whose indices are already in the array.
    bool KeepPolygon(int n, std::size_t lineNumber) {
        m_doc.m_polygons.EndPolygon();
        m_total += n;
        if (m_total > INT_MAX) {
            return Fail(lineNumber,
                        "the polygons have more than " + std::to_string(INT_MAX) + " sides in all");
        }
        m_largest = std::max(m_largest, n);
        ++m_kept;
        return true;
    }

    // The end of the face section in repair mode before all polygons came. A file that announces
    // polygons and holds none is refused: it is cut short, not a point set.
    bool EndFacesEarly(int j, std::size_t lineNumber) {
        if (m_kept == 0) {
            return Fail(lineNumber, "end of file before the first polygon of " + m_polygonsWritten +
                                        "; the file is cut short");
        }
        Repair(OffRepairKind::kMissingFaces, lineNumber, [&] {
            return "the file ends after " + std::to_string(j) + " of " + m_polygonsWritten +
                   " polygons; kept those";
        });
        return true;
    }

    // After the face section: refused when polygons were announced and every one was dropped.
    bool CheckSomePolygonKept(std::size_t lineNumber) {
        if (m_kept == 0 && m_nPolygons > 0) {
            return Fail(lineNumber, "every polygon was dropped; none of the " + m_polygonsWritten +
                                        " polygons can be shown");
        }
        return true;
    }

    // Stores the counts of what was kept.
    bool Finish() {
        m_doc.m_nVertices = m_nVertices;
        m_doc.m_nPolygons = m_kept;
        m_doc.m_nEdges = static_cast<int>(m_total);
        m_doc.m_nLargestPolygon = m_largest;
        return true;
    }

    // The binary form (off_binary.cpp): `start` is the offset in `text` of the first byte after
    // the keyword line.
    bool ReadBinary(std::string_view text, std::size_t start);

    CQuorvaneDoc& m_doc;
    OffError& m_error;
    OffReadOptions m_options;
    bool m_repair;
    OffRepairReport* m_report;
    bool m_binary = false;
    bool m_normals = false, m_colour = false, m_texture = false;
    int m_nVertices = 0;
    int m_nPolygons = 0;
    std::string m_verticesWritten, m_polygonsWritten;  // the counts as the file writes them
    CVector3D* m_vertexSlots = nullptr;                // where vertex k goes, when set
    double m_box[6] = {0, 0, 0, 0, 0, 0};              // max x, min x, max y, min y, max z, min z
    long long m_total = 0;
    int m_largest = 0;
    int m_kept = 0;
};

}  // namespace quorvane
