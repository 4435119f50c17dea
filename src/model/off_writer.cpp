#include "model/off_writer.h"

#include "model/numbers.h"

namespace quorvane {

bool WriteOffText(const CQuorvaneDoc& doc, std::string& out, std::string* error) {
    // Non-finite coordinates would be written as text that reads back as another number.
    for (int i = 0; i < doc.m_nVertices; ++i) {
        if (!doc.m_vertices[i].IsFinite()) {
            if (error) {
                *error = "vertex " + std::to_string(i) + " has a coordinate that is not a finite number";
            }
            return false;
        }
    }
    out.clear();
    out.reserve(static_cast<std::size_t>(doc.m_nVertices) * 32 + doc.m_polygons.IndexCount() * 8 + 32);
    out += "OFF\r\n";
    AppendInt(out, doc.m_nVertices);
    out.push_back(' ');
    AppendInt(out, doc.m_nPolygons);
    out.push_back(' ');
    AppendInt(out, doc.m_nEdges);
    out += "\r\n";
    for (int i = 0; i < doc.m_nVertices; ++i) {
        const CVector3D& v = doc.m_vertices[i];
        AppendFixed6(out, v.x);
        out.push_back(' ');
        AppendFixed6(out, v.y);
        out.push_back(' ');
        AppendFixed6(out, v.z);
        out += "\r\n";
    }
    for (int j = 0; j < doc.m_nPolygons; ++j) {
        doc.m_polygons[j].FormatFaceLine(out);
        out += "\r\n";
    }
    return true;
}

}  // namespace quorvane
