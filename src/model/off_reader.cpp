#include "model/off_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

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

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

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
    const std::string word = n == 1             ? std::string(what)
                             : what == "vertex" ? "vertices"
                                                : std::string(what) + "s";
    return std::to_string(n) + " " + word;
}

// Whether a line holds data once a comment (from '#' on) is removed.
bool IsDataLine(std::string_view line) {
    const std::size_t hash = line.find('#');
    return !TrimLeft(hash == std::string_view::npos ? line : line.substr(0, hash)).empty();
}

// Reads a 32-bit big-endian word at `p`.
std::uint32_t ReadBigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The keyword of the first line, split into its parts ([ST][C][N][4][n]OFF followed by `rest`).
struct Keyword {
    bool matched = false;
    bool texture = false, colour = false, normals = false, fourD = false, nD = false;
    std::string_view rest;  // what follows "OFF" inside the same token
};

// Parses a token as an OFF keyword with its optional prefix letters.
Keyword ParseKeyword(std::string_view token) {
    Keyword k;
    std::size_t i = 0;
    auto take = [&](std::string_view part) {
        if (token.substr(i, part.size()) == part) {
            i += part.size();
            return true;
        }
        return false;
    };
    k.texture = take("ST");
    k.colour = take("C");
    k.normals = take("N");
    k.fourD = take("4");
    k.nD = take("n");
    if (!take("OFF")) {
        return k;
    }
    k.matched = true;
    k.rest = token.substr(i);
    return k;
}

// Whether a token is a whole integer (an optional sign, then digits only).
bool IsInteger(std::string_view token) {
    std::size_t i = (!token.empty() && (token[0] == '-' || token[0] == '+')) ? 1 : 0;
    if (i == token.size()) {
        return false;
    }
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') {
            return false;
        }
    }
    return true;
}

// One pass over the lines; every refusal is a value carrying its line. In repair mode the
// departures that have one obvious meaning are accepted and reported.
class OffParser {
  public:
    OffParser(std::string_view text, CQuorvaneDoc& out, OffError& error, const OffReadOptions& options,
              OffRepairReport* report)
        : m_text(text),
          m_lines(text),
          m_doc(out),
          m_error(error),
          m_repair(options.repair),
          m_report(report) {}

    bool Run() {
        if (!ReadHeader()) {
            return false;
        }
        if (m_binary) {
            return ReadBinary();
        }
        if (!ReadCounts()) {
            return false;
        }
        if (m_lines.Remaining() >= m_options.parallelFromBytes) {
            return ReadSectionsInParallel();
        }
        return ReadVertices() && ReadFaces();
    }

  private:
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

    // In repair mode: the line without a comment, or false when nothing but a comment or blanks
    // is left (the line is then skipped and reported).
    bool StripComment(std::string_view& line, bool blankIsRepair) {
        const std::size_t hash = line.find('#');
        if (hash != std::string_view::npos) {
            if (TrimLeft(line.substr(0, hash)).empty()) {
                Repair(OffRepairKind::kCommentLine, m_lines.LineNumber(),
                       [&] { return "skipped " + Quote(line); });
                return false;
            }
            Repair(OffRepairKind::kTrailingComment, m_lines.LineNumber(),
                   [&] { return "removed " + Quote(line.substr(hash)); });
            line = line.substr(0, hash);
        }
        if (TrimLeft(line).empty()) {
            if (blankIsRepair) {
                Repair(OffRepairKind::kBlankLine, m_lines.LineNumber(),
                       [] { return "skipped a blank line"; });
            }
            return false;
        }
        return true;
    }

    // In repair mode: the next line that holds data, or false at the end of the text.
    bool NextDataLine(std::string_view& line, bool blankIsRepair) {
        while (m_lines.Next(line)) {
            if (StripComment(line, blankIsRepair)) {
                return true;
            }
        }
        return false;
    }

    // Where the vertex section ends: after m_nVertices lines (strictly) or data lines (in repair
    // mode, where comment and blank lines are skipped). False when the text ends first.
    bool FindVertexSectionEnd(LineCursor& cursor) const {
        std::string_view line;
        for (int k = 0; k < m_nVertices;) {
            if (!cursor.Next(line)) {
                return false;
            }
            if (!m_repair || IsDataLine(line)) {
                ++k;
            }
        }
        return true;
    }

    // Reads the vertex section on this thread while another reads the face section, then joins
    // them: the same model, error and repairs as reading them in turn.
    bool ReadSectionsInParallel() {
        LineCursor faceStart = m_lines;
        if (!FindVertexSectionEnd(faceStart)) {
            return ReadVertices();  // the text ends inside the vertex section: that is the error
        }
        CQuorvaneDoc faces;
        ReservePolygons(faces, faceStart.Remaining());
        OffError faceError;
        OffRepairReport faceReport;
        OffParser faceParser(m_text, faces, faceError, m_options, m_report ? &faceReport : nullptr);
        faceParser.m_lines = LineCursor(faceStart.Rest(), faceStart.LineNumber());
        faceParser.m_nVertices = m_nVertices;
        faceParser.m_nPolygons = m_nPolygons;
        bool facesOk = false;
        std::thread worker([&] {
            try {
                facesOk = faceParser.ReadFaces();
            } catch (...) {
                faceParser.Fail(0, "not enough memory to read the polygons");
            }
        });
        bool verticesOk = false;
        try {
            verticesOk = ReadVertices();
        } catch (...) {
            worker.join();
            throw;
        }
        worker.join();
        if (!verticesOk) {
            return false;
        }
        if (m_report) {
            m_report->Append(faceReport);
        }
        if (!facesOk) {
            m_error = std::move(faceError);
            return false;
        }
        m_doc.m_polygons = std::move(faces.m_polygons);
        m_doc.m_nVertices = m_nVertices;
        m_doc.m_nPolygons = faces.m_nPolygons;
        m_doc.m_nEdges = faces.m_nEdges;
        m_doc.m_nLargestPolygon = faces.m_nLargestPolygon;
        return true;
    }

    bool ReadHeader() { return m_repair ? ReadHeaderRepairing() : ReadHeaderStrict(); }

    // Line 1: the keyword alone, byte for byte.
    bool ReadHeaderStrict() {
        std::string_view line;
        if (!m_lines.Next(line)) {
            return Fail(1, "the file is empty; expected \"OFF\" on the first line");
        }
        if (line != "OFF") {
            return Fail(1, "expected \"OFF\" alone on the first line, found " + Quote(line));
        }
        return true;
    }

    // The keyword line in repair mode: byte-order mark, comments before it, keyword variants,
    // blanks after it, counts on its line or fused with it, the binary form, or no keyword.
    bool ReadHeaderRepairing() {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF") {
            m_lines = LineCursor(m_text.substr(3));
            Repair(OffRepairKind::kByteOrderMark, 1, [] { return "removed the UTF-8 byte-order mark"; });
        }
        std::string_view line;
        if (!NextDataLine(line, true)) {
            return Fail(m_lines.LineNumber() + 1, "the file has no OFF keyword and no counts");
        }
        const std::size_t lineNumber = m_lines.LineNumber();
        TokenCursor tokens(line);
        std::string_view first;
        tokens.Next(first);
        if (IsInteger(first)) {
            Repair(OffRepairKind::kMissingKeyword, lineNumber,
                   [] { return "no OFF keyword; read the counts"; });
            m_countsLine = line;
            m_countsLineNumber = lineNumber;
            return true;
        }
        const Keyword keyword = ParseKeyword(first);
        if (!keyword.matched) {
            return Fail(lineNumber, "expected an OFF keyword on the first line, found " + Quote(line));
        }
        if (keyword.fourD || keyword.nD) {
            return Fail(lineNumber, "4-dimensional and n-dimensional files (" + Quote(first) +
                                        ") cannot be shown in three dimensions");
        }
        m_normals = keyword.normals;
        m_colour = keyword.colour;
        m_texture = keyword.texture;
        const std::string_view name = first.substr(0, first.size() - keyword.rest.size());
        if (name != "OFF") {
            Repair(OffRepairKind::kKeywordVariant, lineNumber,
                   [&] { return "read " + Quote(name) + " as \"OFF\" (extra vertex values ignored)"; });
        }
        if (!keyword.rest.empty() && !IsInteger(keyword.rest)) {
            return Fail(lineNumber, "expected an OFF keyword on the first line, found " + Quote(line));
        }
        std::string_view next;
        TokenCursor lookahead = tokens;
        if (keyword.rest.empty() && lookahead.Next(next) && next == "BINARY") {
            m_binary = true;
            Repair(OffRepairKind::kBinary, lineNumber, [] { return "read the binary form"; });
            return true;
        }
        const std::size_t keywordEnd = static_cast<std::size_t>(first.data() + first.size() - line.data());
        const std::string_view after = line.substr(keywordEnd - keyword.rest.size());
        if (!TrimLeft(after).empty()) {
            Repair(OffRepairKind::kCountsOnKeyword, lineNumber,
                   [&] { return "read the counts " + Quote(TrimLeft(after)) + " from the keyword's line"; });
            m_countsLine = after;
            m_countsLineNumber = lineNumber;
        } else if (line.size() != static_cast<std::size_t>(first.data() - line.data()) + first.size()) {
            Repair(OffRepairKind::kKeywordBlanks, lineNumber,
                   [] { return "ignored blanks after the keyword"; });
        } else if (first.data() != line.data()) {
            Repair(OffRepairKind::kKeywordBlanks, lineNumber,
                   [] { return "ignored blanks before the keyword"; });
        }
        return true;
    }

    // The vertex and polygon counts; anything after them is ignored.
    bool ReadCounts() {
        std::string_view line;
        std::size_t lineNumber;
        if (!m_countsLine.empty()) {
            line = m_countsLine;
            lineNumber = m_countsLineNumber;
        } else {
            // Strictly the counts are the next line; in repair mode the next line holding data.
            const bool more = m_repair ? NextDataLine(line, true) : m_lines.Next(line);
            if (!more) {
                return Fail(m_lines.LineNumber() + 1,
                            "end of file where the counts line (vertices, polygons) was expected");
            }
            lineNumber = m_lines.LineNumber();
        }
        TokenCursor tokens(line);
        std::string_view v, p;
        if (!tokens.Next(v) || !tokens.Next(p)) {
            const std::size_t found = v.empty() ? 0 : 1;
            return Fail(lineNumber,
                        "expected the vertex and polygon counts, found " + CountOf(found, "number"));
        }
        return SetCounts(ParseOffInt(v), ParseOffInt(p), lineNumber, Quote(v), Quote(p));
    }

    // Checks and keeps the counts; reserves no more than the rest of the file could hold, so a
    // lying counts line cannot make us allocate beyond what the file's size allows.
    bool SetCounts(int vertices, int polygons, std::size_t lineNumber, const std::string& vText,
                   const std::string& pText) {
        m_nVertices = vertices;
        m_nPolygons = polygons;
        if (m_nVertices <= 0) {
            return Fail(lineNumber, "the vertex count must be positive, found " + vText);
        }
        if (m_nPolygons <= 0) {
            return Fail(lineNumber, "the polygon count must be positive, found " + pText);
        }
        const std::size_t rest = m_lines.Remaining();
        m_doc.m_vertices.reserve(std::min<std::size_t>(m_nVertices, rest / 6 + 1));
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

    // Widens the bounding box by vertex k (the first vertex sets it).
    void AddVertex(int k, const double xyz[3]) {
        if (k == 0) {
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
        m_doc.m_vertices.emplace_back(xyz[0], xyz[1], xyz[2]);
    }

    std::string VertexEndMessage(int k) const {
        return "end of file where vertex " + std::to_string(k + 1) + " of " + std::to_string(m_nVertices) +
               " was expected";
    }

    // One vertex per line; the first three tokens are x, y, z. Strictly, blank lines are
    // vertices too (and refused); in repair mode blank and comment lines are skipped.
    bool ReadVertices() {
        for (int k = 0; k < m_nVertices; ++k) {
            std::string_view line;
            const bool more = m_repair ? NextDataLine(line, true) : m_lines.Next(line);
            if (!more) {
                return Fail(m_lines.LineNumber() + 1, VertexEndMessage(k));
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
                    return Fail(m_lines.LineNumber(), "coordinate " + Quote(token) + " of vertex " +
                                                          std::to_string(k + 1) +
                                                          " is too large for a double");
                }
            }
            AddVertex(k, xyz);
        }
        StoreBox();
        return true;
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

    // The end of the face section in repair mode before all polygons came.
    bool EndFacesEarly(int j, std::size_t lineNumber) {
        if (m_kept == 0) {
            return Fail(lineNumber,
                        "end of file before the first polygon; a file without polygons cannot be shown");
        }
        Repair(OffRepairKind::kMissingFaces, lineNumber, [&] {
            return "the file ends after " + std::to_string(j) + " of " + std::to_string(m_nPolygons) +
                   " polygons; kept those";
        });
        return true;
    }

    // One polygon per non-blank line: the count n, then n vertex indices; the rest is ignored.
    bool ReadFaces() {
        for (int j = 0; j < m_nPolygons; ++j) {
            std::string_view line;
            bool more;
            if (m_repair) {
                more = NextDataLine(line, false);
                line = TrimLeft(line);
            } else {
                do {
                    more = m_lines.Next(line);
                    line = TrimLeft(line);
                } while (more && line.empty());
            }
            if (!more) {
                const std::size_t lineNumber = m_lines.LineNumber() + 1;
                if (m_repair) {
                    if (!EndFacesEarly(j, lineNumber)) {
                        return false;
                    }
                    break;
                }
                return Fail(lineNumber, "end of file where polygon " + std::to_string(j + 1) + " of " +
                                            std::to_string(m_nPolygons) + " was expected");
            }
            if (!ReadFace(j, line)) {
                return false;
            }
        }
        if (m_kept == 0) {
            return Fail(m_lines.LineNumber(),
                        "every polygon was dropped; a file without polygons cannot be shown");
        }
        return Finish();
    }

    // Reads polygon j from its line; in repair mode a bad polygon is dropped and reported.
    bool ReadFace(int j, std::string_view line) {
        const std::size_t lineNumber = m_lines.LineNumber();
        TokenCursor tokens(line);
        std::string_view token;
        tokens.Next(token);
        const int n = ParseOffInt(token);
        if (n < 0) {
            const std::string reason = "polygon " + std::to_string(j + 1) + " has a negative vertex count (" +
                                       std::to_string(n) + ")";
            if (!m_repair) {
                return Fail(lineNumber, reason);
            }
            Repair(OffRepairKind::kNegativeCountFace, lineNumber, [&] { return "dropped " + reason; });
            return true;
        }
        for (int i = 0; i < n; ++i) {
            if (!tokens.Next(token)) {
                m_doc.m_polygons.DiscardOpenPolygon();
                const std::string reason = "polygon " + std::to_string(j + 1) + " announces " +
                                           CountOf(n, "vertex") + " but lists " + std::to_string(i);
                if (!m_repair) {
                    return Fail(lineNumber, reason);
                }
                Repair(OffRepairKind::kShortFace, lineNumber, [&] { return "dropped " + reason; });
                return true;
            }
            const int index = ParseOffInt(token);
            if (index < 0 || index >= m_nVertices) {
                m_doc.m_polygons.DiscardOpenPolygon();
                const std::string reason = "polygon " + std::to_string(j + 1) + " refers to vertex " +
                                           std::to_string(index) + ", but the vertices are numbered 0 to " +
                                           std::to_string(m_nVertices - 1);
                if (!m_repair) {
                    return Fail(lineNumber, reason);
                }
                Repair(OffRepairKind::kBadIndexFace, lineNumber, [&] { return "dropped " + reason; });
                return true;
            }
            m_doc.m_polygons.PushIndex(index);
        }
        return KeepPolygon(n, lineNumber);
    }

    // Stores the counts of what was kept.
    bool Finish() {
        m_doc.m_nVertices = m_nVertices;
        m_doc.m_nPolygons = m_kept;
        m_doc.m_nEdges = static_cast<int>(m_total);
        m_doc.m_nLargestPolygon = m_largest;
        return true;
    }

    // The binary form: after the keyword line, NV, NF, NE as 32-bit big-endian integers, the
    // vertices as 32-bit big-endian floats, then each face as n, n indices, k, k colour floats.
    bool ReadBinary() {
        const std::size_t start = m_text.size() - m_lines.Remaining();
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(m_text.data());
        const std::size_t size = m_text.size();
        std::size_t pos = start;
        auto at = [&](std::size_t p) { return " at byte " + std::to_string(p); };
        if (size - pos < 12) {
            return Fail(0, "the binary counts are cut short" + at(pos));
        }
        const int nv = static_cast<int>(ReadBigEndian32(bytes + pos));
        const int nf = static_cast<int>(ReadBigEndian32(bytes + pos + 4));
        pos += 12;
        if (!SetCounts(nv, nf, 0, std::to_string(nv), std::to_string(nf))) {
            return false;
        }
        const std::size_t floatsPerVertex =
            3 + (m_normals ? 3 : 0) + (m_colour ? 4 : 0) + (m_texture ? 2 : 0);
        for (int k = 0; k < m_nVertices; ++k) {
            if (size - pos < floatsPerVertex * 4) {
                return Fail(0, VertexEndMessage(k) + at(pos));
            }
            double xyz[3];
            for (int axis = 0; axis < 3; ++axis) {
                const std::uint32_t word = ReadBigEndian32(bytes + pos + 4 * axis);
                float value;
                std::memcpy(&value, &word, sizeof(value));
                if (!std::isfinite(value)) {
                    return Fail(0, "vertex " + std::to_string(k + 1) +
                                       " has a coordinate that is not a finite number" + at(pos + 4 * axis));
                }
                xyz[axis] = value;
            }
            AddVertex(k, xyz);
            pos += floatsPerVertex * 4;
        }
        StoreBox();
        for (int j = 0; j < m_nPolygons; ++j) {
            if (size - pos < 4) {
                if (!EndFacesEarly(j, 0)) {
                    return false;
                }
                break;
            }
            const int n = static_cast<int>(ReadBigEndian32(bytes + pos));
            if (n < 0) {
                return Fail(0, "polygon " + std::to_string(j + 1) + " has a negative vertex count (" +
                                   std::to_string(n) + ")" + at(pos));
            }
            const std::size_t faceStart = pos;
            pos += 4;
            if ((size - pos) / 4 < static_cast<std::size_t>(n) + 1) {
                if (!EndFacesEarly(j, 0)) {
                    return false;
                }
                break;
            }
            bool bad = false;
            int badIndex = 0;
            for (int i = 0; i < n; ++i) {
                const int index =
                    static_cast<int>(ReadBigEndian32(bytes + pos + 4 * static_cast<std::size_t>(i)));
                if (index < 0 || index >= m_nVertices) {
                    bad = true;
                    badIndex = index;
                    break;
                }
                m_doc.m_polygons.PushIndex(index);
            }
            pos += 4 * static_cast<std::size_t>(n);
            const int colours = static_cast<int>(ReadBigEndian32(bytes + pos));
            pos += 4;
            if (colours < 0 || (size - pos) / 4 < static_cast<std::size_t>(colours)) {
                m_doc.m_polygons.DiscardOpenPolygon();
                return Fail(0, "polygon " + std::to_string(j + 1) + " has a bad colour count (" +
                                   std::to_string(colours) + ")" + at(pos - 4));
            }
            pos += 4 * static_cast<std::size_t>(colours);
            if (bad) {
                m_doc.m_polygons.DiscardOpenPolygon();
                Repair(OffRepairKind::kBadIndexFace, 0, [&] {
                    return "dropped polygon " + std::to_string(j + 1) + at(faceStart) +
                           ": it refers to vertex " + std::to_string(badIndex) +
                           ", but the vertices are numbered 0 to " + std::to_string(m_nVertices - 1);
                });
                continue;
            }
            if (!KeepPolygon(n, 0)) {
                return false;
            }
        }
        if (m_kept == 0) {
            return Fail(0, "every polygon was dropped; a file without polygons cannot be shown");
        }
        return Finish();
    }

    std::string_view m_text;
    LineCursor m_lines;
    CQuorvaneDoc& m_doc;
    OffError& m_error;
    OffReadOptions m_options;
    bool m_repair;
    OffRepairReport* m_report;
    bool m_binary = false;
    bool m_normals = false, m_colour = false, m_texture = false;
    std::string_view m_countsLine;
    std::size_t m_countsLineNumber = 0;
    int m_nVertices = 0;
    int m_nPolygons = 0;
    double m_box[6] = {0, 0, 0, 0, 0, 0};  // max x, min x, max y, min y, max z, min z
    long long m_total = 0;
    int m_largest = 0;
    int m_kept = 0;
};

}  // namespace

bool ReadOffText(std::string_view text, CQuorvaneDoc& out, OffError& error, const OffReadOptions& options,
                 OffRepairReport* report) {
    if (report) {
        report->Clear();
    }
    OffParser parser(text, out, error, options, report);
    return parser.Run();
}

bool CQuorvaneDoc::LoadFromText(std::string_view text, OffError* error, const OffReadOptions& options,
                                OffRepairReport* report) {
    CQuorvaneDoc loaded;
    OffError local;
    if (!ReadOffText(text, loaded, error ? *error : local, options, report)) {
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

bool CQuorvaneDoc::LoadFromFile(const std::string& path, OffError* error, const OffReadOptions& options,
                                OffRepairReport* report) {
    OffError local;
    OffError& err = error ? *error : local;
    CQuorvaneDoc loaded;
    {
        std::string text;
        if (!ReadWholeFile(path, text, err.reason)) {
            err.line = 0;
            return false;
        }
        if (!ReadOffText(text, loaded, err, options, report)) {
            return false;
        }
    }
    // The text is gone before the edge table is built, which keeps the peak memory low.
    loaded.BuildUniqueEdges();
    TakeModel(std::move(loaded));
    return true;
}

}  // namespace quorvane
