#include "model/off_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/numbers.h"

namespace quorvane {

bool LineCursor::Next(std::string_view& line) {
    if (m_pos >= m_text.size()) {
        return false;
    }
    const char* begin = m_text.data() + m_pos;
    const std::size_t left = m_text.size() - m_pos;
    // memchr for both terminators keeps long lines fast.
    const void* lf = std::memchr(begin, '\n', left);
    const std::size_t lfAt = lf ? static_cast<const char*>(lf) - begin : left;
    const void* cr = std::memchr(begin, '\r', lfAt);
    std::size_t length = lfAt;
    std::size_t consumed = lfAt < left ? lfAt + 1 : left;
    if (cr) {
        length = static_cast<const char*>(cr) - begin;
        consumed = length + 1;
        if (length + 1 < left && begin[length + 1] == '\n') {
            consumed = length + 2;
        }
    }
    line = std::string_view(begin, length);
    m_pos += consumed;
    ++m_line;
    return true;
}

bool TokenCursor::Next(std::string_view& token) {
    while (m_pos < m_line.size() && (m_line[m_pos] == ' ' || m_line[m_pos] == '\t')) {
        ++m_pos;
    }
    if (m_pos >= m_line.size()) {
        return false;
    }
    const std::size_t begin = m_pos;
    while (m_pos < m_line.size() && m_line[m_pos] != ' ' && m_line[m_pos] != '\t') {
        ++m_pos;
    }
    token = m_line.substr(begin, m_pos - begin);
    return true;
}

namespace {

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The line with its leading white space removed.
std::string_view TrimLeft(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && IsWhiteSpace(line[i])) {
        ++i;
    }
    return line.substr(i);
}

// A short, printable quotation of a piece of a line for messages.
std::string Quote(std::string_view text) {
    constexpr std::size_t kMax = 40;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < kMax; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02x", c);
            out += hex;
        }
    }
    if (text.size() > kMax) {
        out += "...";
    }
    out += "\"";
    return out;
}

// "1 number" / "2 numbers", "1 vertex" / "2 vertices".
std::string CountOf(std::size_t n, std::string_view what) {
    const std::string word = n == 1 ? std::string(what) : what == "vertex" ? "vertices" : std::string(what) + "s";
    return std::to_string(n) + " " + word;
}

// One pass over the lines; every refusal is a value carrying its line.
class OffParser {
public:
    OffParser(std::string_view text, CQuorvaneDoc& out, OffError& error)
        : m_lines(text), m_doc(out), m_error(error) {}

    bool Run() { return ReadHeader() && ReadCounts() && ReadVertices() && ReadFaces(); }

private:
    bool Fail(std::size_t line, std::string reason) {
        m_error.line = line;
        m_error.reason = std::move(reason);
        return false;
    }

    // Line 1: the keyword alone, byte for byte.
    bool ReadHeader() {
        std::string_view line;
        if (!m_lines.Next(line)) {
            return Fail(1, "the file is empty; expected \"OFF\" on the first line");
        }
        if (line != "OFF") {
            return Fail(1, "expected \"OFF\" alone on the first line, found " + Quote(line));
        }
        return true;
    }

    // Line 2: the vertex and polygon counts; anything after them is ignored.
    bool ReadCounts() {
        std::string_view line;
        if (!m_lines.Next(line)) {
            return Fail(2, "end of file where the counts line (vertices, polygons) was expected");
        }
        TokenCursor tokens(line);
        std::string_view v, p;
        if (!tokens.Next(v) || !tokens.Next(p)) {
            const std::size_t found = v.empty() ? 0 : 1;
            return Fail(2, "expected the vertex and polygon counts, found " + CountOf(found, "number"));
        }
        m_nVertices = ParseOffInt(v);
        m_nPolygons = ParseOffInt(p);
        if (m_nVertices <= 0) {
            return Fail(2, "the vertex count must be positive, found " + Quote(v));
        }
        if (m_nPolygons <= 0) {
            return Fail(2, "the polygon count must be positive, found " + Quote(p));
        }
        // Reserve no more than the rest of the file could hold, so a lying counts line cannot
        // make us allocate beyond what the file's size allows.
        const std::size_t rest = m_lines.Remaining();
        m_doc.m_vertices.reserve(std::min<std::size_t>(m_nVertices, rest / 6 + 1));
        const std::size_t faces = std::min<std::size_t>(m_nPolygons, rest / 2 + 1);
        m_doc.m_polygons.Reserve(faces, std::min<std::size_t>(faces * 3, rest / 2 + 1));
        return true;
    }

    // One vertex per line, blank lines included; the first three tokens are x, y, z.
    bool ReadVertices() {
        double box[6] = {0, 0, 0, 0, 0, 0};  // max x, min x, max y, min y, max z, min z
        for (int k = 0; k < m_nVertices; ++k) {
            std::string_view line;
            if (!m_lines.Next(line)) {
                return Fail(m_lines.LineNumber() + 1, "end of file where vertex " + std::to_string(k + 1) +
                                                          " of " + std::to_string(m_nVertices) +
                                                          " was expected");
            }
            TokenCursor tokens(line);
            std::string_view token;
            double xyz[3];
            for (int axis = 0; axis < 3; ++axis) {
                if (!tokens.Next(token)) {
                    if (axis == 0 && TrimLeft(line).empty()) {
                        return Fail(m_lines.LineNumber(), "blank line where vertex " + std::to_string(k + 1) +
                                                              " of " + std::to_string(m_nVertices) +
                                                              " was expected");
                    }
                    return Fail(m_lines.LineNumber(), "vertex " + std::to_string(k + 1) +
                                                          " needs three coordinates, found " +
                                                          CountOf(axis, "value"));
                }
                if (ParseOffReal(token, xyz[axis]) == RealStatus::kOverflow) {
                    return Fail(m_lines.LineNumber(),
                                "coordinate " + Quote(token) + " of vertex " + std::to_string(k + 1) +
                                    " is too large for a double");
                }
            }
            const CVector3D v(xyz[0], xyz[1], xyz[2]);
            if (k == 0) {
                box[0] = box[1] = v.x;
                box[2] = box[3] = v.y;
                box[4] = box[5] = v.z;
            } else {
                for (int axis = 0; axis < 3; ++axis) {
                    if (xyz[axis] > box[2 * axis]) {
                        box[2 * axis] = xyz[axis];
                    } else if (xyz[axis] < box[2 * axis + 1]) {
                        box[2 * axis + 1] = xyz[axis];
                    }
                }
            }
            m_doc.m_vertices.push_back(v);
        }
        m_doc.m_maxX = box[0];
        m_doc.m_minX = box[1];
        m_doc.m_maxY = box[2];
        m_doc.m_minY = box[3];
        m_doc.m_maxZ = box[4];
        m_doc.m_minZ = box[5];
        return true;
    }

    // One polygon per non-blank line: the count n, then n vertex indices; the rest is ignored.
    bool ReadFaces() {
        long long total = 0;
        int largest = 0;
        for (int j = 0; j < m_nPolygons; ++j) {
            std::string_view line;
            do {
                if (!m_lines.Next(line)) {
                    return Fail(m_lines.LineNumber() + 1, "end of file where polygon " + std::to_string(j + 1) +
                                                              " of " + std::to_string(m_nPolygons) +
                                                              " was expected");
                }
                line = TrimLeft(line);
            } while (line.empty());
            TokenCursor tokens(line);
            std::string_view token;
            tokens.Next(token);
            const int n = ParseOffInt(token);
            if (n < 0) {
                return Fail(m_lines.LineNumber(), "polygon " + std::to_string(j + 1) +
                                                      " has a negative vertex count (" + std::to_string(n) + ")");
            }
            for (int i = 0; i < n; ++i) {
                if (!tokens.Next(token)) {
                    return Fail(m_lines.LineNumber(), "polygon " + std::to_string(j + 1) + " announces " +
                                                          CountOf(n, "vertex") + " but lists " +
                                                          std::to_string(i));
                }
                const int index = ParseOffInt(token);
                if (index < 0 || index >= m_nVertices) {
                    return Fail(m_lines.LineNumber(), "polygon " + std::to_string(j + 1) +
                                                          " refers to vertex " + std::to_string(index) +
                                                          ", but the vertices are numbered 0 to " +
                                                          std::to_string(m_nVertices - 1));
                }
                m_doc.m_polygons.PushIndex(index);
            }
            m_doc.m_polygons.EndPolygon();
            total += n;
            if (total > INT_MAX) {
                return Fail(m_lines.LineNumber(), "the polygons have more than " + std::to_string(INT_MAX) +
                                                      " sides in all");
            }
            largest = std::max(largest, n);
        }
        m_doc.m_nVertices = m_nVertices;
        m_doc.m_nPolygons = m_nPolygons;
        m_doc.m_nEdges = static_cast<int>(total);
        m_doc.m_nLargestPolygon = largest;
        return true;
    }

    LineCursor m_lines;
    CQuorvaneDoc& m_doc;
    OffError& m_error;
    int m_nVertices = 0;
    int m_nPolygons = 0;
};

}  // namespace

bool ReadOffText(std::string_view text, CQuorvaneDoc& out, OffError& error) {
    OffParser parser(text, out, error);
    return parser.Run();
}

bool CQuorvaneDoc::LoadFromText(std::string_view text, OffError* error) {
    CQuorvaneDoc loaded;
    OffError local;
    if (!ReadOffText(text, loaded, error ? *error : local)) {
        return false;
    }
    loaded.BuildUniqueEdges();
    TakeModel(std::move(loaded));
    return true;
}

namespace {

// Reads a whole file into `text`; false with the system's reason in `reason`.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& reason) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    std::size_t size = 0;
    struct stat info;
    if (::fstat(::fileno(file), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            std::fclose(file);
            reason = std::strerror(EISDIR);
            return false;
        }
        if (S_ISREG(info.st_mode) && info.st_size > 0) {
            size = static_cast<std::size_t>(info.st_size);
        }
    }
    text.resize(size);
    std::size_t got = size ? std::fread(text.data(), 1, size, file) : 0;
    text.resize(got);
    // The file may have grown, or have no size to tell (a pipe): read on to its end.
    char chunk[1 << 16];
    std::size_t more;
    while ((more = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        text.append(chunk, more);
    }
    const bool failed = std::ferror(file) != 0;
    const int savedErrno = errno;
    std::fclose(file);
    if (failed) {
        reason = std::strerror(savedErrno);
        return false;
    }
    return true;
}

}  // namespace

bool CQuorvaneDoc::LoadFromFile(const std::string& path, OffError* error) {
    OffError local;
    OffError& err = error ? *error : local;
    CQuorvaneDoc loaded;
    {
        std::string text;
        if (!ReadWholeFile(path, text, err.reason)) {
            err.line = 0;
            return false;
        }
        if (!ReadOffText(text, loaded, err)) {
            return false;
        }
    }
    // The text is gone before the edge table is built, which keeps the peak memory low.
    loaded.BuildUniqueEdges();
    TakeModel(std::move(loaded));
    return true;
}

}  // namespace quorvane
