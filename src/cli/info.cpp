// The info subcommand: the six model statistics and the bounding box of each file.
#include <ostream>
#include <vector>

#include "cli/commands.h"
#include "model/statistics.h"
#include "model/text_escape.h"

namespace quorvane::cli {

namespace {

// What info reports about one file: its statistics and box, or why it was refused.
struct FileInfo {
    bool ok = false;
    OffError error;
    ModelStatistics stats;
    CVector3D boxMin;
    CVector3D boxMax;
    OffRepairReport repairs;
};

// Loads one file and keeps only what is reported, so that the document is freed at once.
FileInfo InspectFile(const std::string& path, const LoadOptions& options) {
    FileInfo info;
    CQuorvaneDoc doc;
    info.ok = LoadModel(path, options, doc, info.error, &info.repairs);
    if (info.ok) {
        // The triangle count comes from the polygons: a tessellated mesh would only cost memory here.
        info.stats = ComputeStatistics(doc, CountTriangles(doc.m_polygons));
        info.boxMin = CVector3D(doc.m_minX, doc.m_minY, doc.m_minZ);
        info.boxMax = CVector3D(doc.m_maxX, doc.m_maxY, doc.m_maxZ);
    }
    return info;
}

// One JSON object on one line; with --repair also the "repairs" made.
std::string FormatJson(const std::string& file, const FileInfo& info, bool repair) {
    std::string line = "{\"file\":";
    AppendJsonString(line, file);
    const auto field = [&](const char* key, long long value) {
        line += ",\"";
        line += key;
        line += "\":";
        AppendJsonInteger(line, value);
    };
    field("vertices", info.stats.vertices);
    field("polygons", info.stats.polygons);
    field("edges", info.stats.edges);
    field("unique_edges", info.stats.uniqueEdges);
    field("largest_polygon", info.stats.largestPolygon);
    field("triangles", info.stats.triangles);
    line += ",\"bbox_min\":";
    AppendJsonVector(line, info.boxMin);
    line += ",\"bbox_max\":";
    AppendJsonVector(line, info.boxMax);
    if (repair) {
        line += ",\"repairs\":";
        AppendJsonRepairs(line, info.repairs);
    }
    line += "}\n";
    return line;
}

// (x, y, z) with round-trip precision; non-finite components read "null" as in the JSON form.
std::string FormatPoint(const CVector3D& v) {
    std::string text = "(";
    AppendJsonNumber(text, v.x);
    text += ", ";
    AppendJsonNumber(text, v.y);
    text += ", ";
    AppendJsonNumber(text, v.z);
    text += ')';
    return text;
}

// The statistics under the labels of the model information dialog, then the box.
std::string FormatText(const std::string& file, const FileInfo& info) {
    std::string text = Escaped(file) + "\n";
    const auto row = [&](const char* label, long long value) {
        text += "  ";
        text += label;
        text.append(27 - std::string_view(label).size(), ' ');
        text += std::to_string(value);
        text += '\n';
    };
    row("Number of Vertices:", info.stats.vertices);
    row("Number of Polygons:", info.stats.polygons);
    row("Number of Edges:", info.stats.edges);
    row("Number of Unique Edges:", info.stats.uniqueEdges);
    row("Edges in Largest Polygon:", info.stats.largestPolygon);
    row("Number of Triangles:", info.stats.triangles);
    text +=
        "  Bounding Box:              " + FormatPoint(info.boxMin) + " to " + FormatPoint(info.boxMax) + "\n";
    if (!info.repairs.Empty()) {
        text += "  Repairs:                   " + std::to_string(info.repairs.Total()) + "\n";
        text += FormatRepairs(info.repairs, "    ");
    }
    return text;
}

}  // namespace

int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err) {
    const std::size_t count = options.files.size();
    std::vector<FileInfo> results(count);
    bool anyRefused = false;
    bool first = true;
    ForEachInOrder(
        count, options.jobs, [&](std::size_t i) { results[i] = InspectFile(options.files[i], options.load); },
        [&](std::size_t i) {
            FileInfo& info = results[i];
            const std::string& file = options.files[i];
            if (!info.ok) {
                anyRefused = true;
                err << FormatRefusal(file, info.error) << '\n';
            } else if (options.json) {
                out << FormatJson(file, info, options.load.repair);
            } else {
                out << (first ? "" : "\n") << FormatText(file, info);
                first = false;
            }
            info = FileInfo{};
        },
        [&](std::size_t i) { return MayBlock(options.files[i]); });
    out.flush();
    return anyRefused ? kExitRefused : kExitOk;
}

}  // namespace quorvane::cli
