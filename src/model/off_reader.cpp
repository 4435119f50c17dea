#include "model/off_reader.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstring>
#include <exception>
#include <latch>
#include <string>
#include <thread>

#include "model/input_limit.h"
#include "model/numbers.h"
#include "model/off_builder.h"
#include "model/off_lines.h"
#include "model/text_escape.h"
#include "model/thread_start.h"

namespace quorvane {

namespace {

// Splits a line into tokens at blanks and tabs.
class TokenCursor {
  public:
    explicit TokenCursor(std::string_view line) : m_line(line) {}

    // The next token, or false when the line has no more.
    bool Next(std::string_view& token);

  private:
    std::string_view m_line;
    std::size_t m_pos = 0;
};

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

// A short, printable quotation of a piece of a line for messages: its first kQuoteMax bytes,
// escaped, then "..." when there is more.
constexpr std::size_t kQuoteMax = 40;
std::string Quote(std::string_view text) {
    std::string out = "\"";
    AppendEscaped(out, text.substr(0, kQuoteMax));
    if (text.size() > kQuoteMax) {
        out += "...";
    }
    out += "\"";
    return out;
}

// The number a token starts with as the file writes it, when it lies beyond the int range (atoi
// reads it as the nearest end of the range, `value`); otherwise the value itself.
std::string WrittenNumber(std::string_view token, int value) {
    if (value != INT_MAX && value != INT_MIN) {
        return std::to_string(value);
    }
    std::size_t begin = 0;
    while (begin < token.size() && IsWhiteSpace(token[begin])) {
        ++begin;
    }
    std::size_t end = begin;
    if (end < token.size() && (token[end] == '-' || token[end] == '+')) {
        ++end;
    }
    while (end < token.size() && token[end] >= '0' && token[end] <= '9') {
        ++end;
    }
    return std::string(token.substr(begin, end - begin));
}

// "1 number" / "2 numbers", "1 vertex" / "2 vertices"; `written` is the number as it is to be
// shown (the file's own digits when they differ from n).
std::string CountOf(long long n, std::string_view what, const std::string& written) {
    const std::string word = n == 1             ? std::string(what)
                             : what == "vertex" ? "vertices"
                                                : std::string(what) + "s";
    return written + " " + word;
}
std::string CountOf(long long n, std::string_view what) {
    return CountOf(n, what, std::to_string(n));
}

// Whether a line starts with '#' after its blanks: the strict reading takes it as data, but when
// it then falls short, the message says that it looks like a comment.
bool LooksLikeComment(std::string_view line) {
    const std::string_view data = TrimLeft(line);
    return !data.empty() && data.front() == '#';
}

// What a line that falls short was: its count of values, or a quotation of a comment-like line.
std::string FoundOnLine(std::string_view line, long long values, std::string_view what) {
    if (LooksLikeComment(line)) {
        return Quote(TrimLeft(line)) + ", which looks like a comment";
    }
    return CountOf(values, what);
}

// Whether a line holds data once a comment (from '#' on) is removed.
bool IsDataLine(std::string_view line) {
    const std::size_t hash = line.find('#');
    return !TrimLeft(hash == std::string_view::npos ? line : line.substr(0, hash)).empty();
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
class OffParser : public OffModelBuilder {
  public:
    OffParser(std::string_view text, CQuorvaneDoc& out, OffError& error, const OffReadOptions& options,
              OffRepairReport* report, OffReadStats* stats)
        : OffModelBuilder(out, error, options, report), m_text(text), m_lines(text), m_stats(stats) {}

    bool Run() {
        if (!ReadHeader()) {
            return false;
        }
        if (m_binary) {
            return ReadBinary(m_text, m_text.size() - m_lines.Remaining());
        }
        if (!ReadCounts()) {
            return false;
        }
        if (m_lines.Remaining() >= m_options.parallelFromBytes) {
            return ReadSectionsInParallel();
        }
        return ReadVertices(0, m_nVertices) && ReadFaces();
    }

  private:
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

    // Whether the vertex section may be split between the two threads: only when the `total`
    // bytes after the counts can hold all its vertices (six bytes each at least), since the
    // vertex array is then sized to the count beforehand.
    bool MaySplitVertices(std::size_t total) const {
        return static_cast<std::size_t>(m_nVertices) <= total / 6 + 1;
    }

    // Whether the vertex section is split after vertex k (counted from 1) when `consumed` of the
    // `total` bytes after the counts are read: after the vertex whose line ends the first half.
    bool SplitsAfter(int k, std::size_t consumed, std::size_t total) const {
        return k < m_nVertices && 2 * consumed >= total && MaySplitVertices(total);
    }

    // Where the second thread starts reading: after the vertex that ends the first half of the
    // text after the counts (SplitsAfter), or at the end of the vertex section when the first half
    // holds all of it, so that each thread reads about half of the text. `first` is the first
    // vertex the second thread reads (m_nVertices when it reads only faces). Vertices are lines
    // (strictly) or data lines (in repair mode, where comment and blank lines are skipped).
    // False when the text ends before.
    bool FindSplit(LineCursor& cursor, int& first) const {
        const std::size_t total = cursor.Remaining();
        std::string_view line;
        for (int k = 0; k < m_nVertices;) {
            if (!cursor.Next(line)) {
                return false;
            }
            if (!m_repair || IsDataLine(line)) {
                ++k;
                if (SplitsAfter(k, total - cursor.Remaining(), total)) {
                    first = k;
                    return true;
                }
            }
        }
        first = m_nVertices;
        return true;
    }

    // Reads the text after the counts on two threads, then joins the parts: this thread reads the
    // vertices up to the middle of the text, the other finds that place by itself (FindSplit,
    // the same rule) and reads the remaining vertices, if any, and the faces. Vertices go into
    // their slots when the section may be split. Gives the same model, error and repairs as
    // reading in turn; an exception of the other thread (out of memory) is thrown here. When the
    // system refuses the second thread, this thread reads its part after its own.
    bool ReadSectionsInParallel() {
        const std::size_t total = m_lines.Remaining();
        const bool slots = MaySplitVertices(total);
        CQuorvaneDoc tail;
        OffError tailError;
        OffRepairReport tailReport;
        OffParser tailParser(m_text, tail, tailError, m_options, m_report ? &tailReport : nullptr, nullptr);
        tailParser.m_nVertices = m_nVertices;
        tailParser.m_nPolygons = m_nPolygons;
        tailParser.m_verticesWritten = m_verticesWritten;
        tailParser.m_polygonsWritten = m_polygonsWritten;
        const LineCursor start = m_lines;
        bool tailOk = false;
        int first = m_nVertices;
        std::exception_ptr tailFailure;
        // The vertex array is sized by this thread while the other one looks for its start.
        std::latch sized(1);
        bool sizedOk = false;
        const auto readTail = [&] {
            try {
                LineCursor split = start;
                const bool found = FindSplit(split, first);
                sized.wait();
                if (!found || !sizedOk) {
                    return;  // the text ends inside the vertex section: this thread's error
                }
                ReservePolygons(tail, split.Remaining());
                tailParser.m_lines = LineCursor(split.Rest(), split.LineNumber());
                tailParser.m_vertexSlots = m_vertexSlots;
                tailOk = tailParser.ReadVertices(first, m_nVertices) && tailParser.ReadFaces();
            } catch (...) {
                tailFailure = std::current_exception();
            }
        };
        std::thread worker;
        const bool twoThreads = TryStartThread(worker, readTail);
        if (m_stats) {
            m_stats->twoThreads = twoThreads;
            m_stats->threadRefused = !twoThreads;
        }
        try {
            if (slots) {
                m_doc.m_vertices.resize(static_cast<std::size_t>(m_nVertices));
                m_vertexSlots = m_doc.m_vertices.data();
            }
            sizedOk = true;
        } catch (...) {
            sized.count_down();
            if (twoThreads) {
                worker.join();
            }
            throw;
        }
        sized.count_down();
        bool headOk = false;
        int head = 0;
        try {
            headOk = ReadVertices(0, m_nVertices, total, &head);
        } catch (...) {
            if (twoThreads) {
                worker.join();
            }
            throw;
        }
        if (twoThreads) {
            worker.join();
        } else if (headOk) {
            readTail();
        }
        if (!headOk) {
            return false;
        }
        if (tailFailure) {
            std::rethrow_exception(tailFailure);
        }
        assert(head == first);
        if (m_stats) {
            m_stats->secondThreadVertices = m_nVertices - first;
        }
        if (m_report) {
            m_report->Append(tailReport);
        }
        if (!tailOk) {
            m_error = std::move(tailError);
            return false;
        }
        if (first < m_nVertices) {
            MergeBox(tail);
        }
        m_doc.m_polygons = std::move(tail.m_polygons);
        m_doc.m_nVertices = m_nVertices;
        m_doc.m_nPolygons = tail.m_nPolygons;
        m_doc.m_nEdges = tail.m_nEdges;
        m_doc.m_nLargestPolygon = tail.m_nLargestPolygon;
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
        // CRs before a CR LF stay in the line (LineCursor); here they are blanks after the keyword.
        const std::size_t withCrs = line.size();
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const bool hadCrs = line.size() != withCrs;
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
        } else if (hadCrs) {
            Repair(OffRepairKind::kKeywordBlanks, lineNumber,
                   [] { return "ignored a carriage return after the keyword"; });
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
            const long long found = v.empty() ? 0 : 1;
            return Fail(lineNumber, "expected the vertex and polygon counts, found " +
                                        FoundOnLine(line, found, "number"));
        }
        const int vertices = ParseOffInt(v);
        const int polygons = ParseOffInt(p);
        return SetCounts(vertices, polygons, lineNumber, Quote(v), Quote(p), WrittenNumber(v, vertices),
                         WrittenNumber(p, polygons), m_lines.Remaining());
    }

    // Vertices from .. to - 1, one per line; the first three tokens are x, y, z. Strictly, blank
    // lines are vertices too (and refused); in repair mode blank and comment lines are skipped.
    // The box of these vertices is stored in the document. With `splitTotal`, the bytes after the
    // counts, the reading stops where the vertex section is split (SplitsAfter) and `*read` is
    // the number of vertices read.
    bool ReadVertices(int from, int to, std::size_t splitTotal = 0, int* read = nullptr) {
        for (int k = from; k < to; ++k) {
            std::string_view line;
            const bool more = m_repair ? NextDataLine(line, true) : m_lines.Next(line);
            if (!more) {
                return Fail(m_lines.LineNumber() + 1, VertexEndMessage(k));
            }
            if (TrimLeft(line).empty()) {
                return Fail(m_lines.LineNumber(), "blank line where vertex " + std::to_string(k + 1) +
                                                      " of " + m_verticesWritten + " was expected");
            }
            TokenCursor tokens(line);
            std::string_view token;
            double xyz[3];
            for (int axis = 0; axis < 3; ++axis) {
                if (!tokens.Next(token)) {
                    return Fail(m_lines.LineNumber(), "vertex " + std::to_string(k + 1) +
                                                          " needs three coordinates, found " +
                                                          FoundOnLine(line, axis, "value"));
                }
                if (ParseOffReal(token, xyz[axis]) == RealStatus::kOverflow) {
                    return Fail(m_lines.LineNumber(), "coordinate " + Quote(token) + " of vertex " +
                                                          std::to_string(k + 1) +
                                                          " is too large for a double");
                }
            }
            AddVertex(k, k == from, xyz);
            if (splitTotal != 0 && SplitsAfter(k + 1, splitTotal - m_lines.Remaining(), splitTotal)) {
                to = k + 1;
            }
        }
        if (read) {
            *read = to;
        }
        if (from < to) {
            StoreBox();
        }
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
                                            m_polygonsWritten + " was expected");
            }
            if (!ReadFace(j, line)) {
                return false;
            }
        }
        if (!CheckSomePolygonKept(m_lines.LineNumber())) {
            return false;
        }
        return Finish();
    }

    // Reads polygon j from its line; in repair mode a bad polygon is dropped and reported.
    bool ReadFace(int j, std::string_view line) {
        const std::size_t lineNumber = m_lines.LineNumber();
        TokenCursor tokens(line);
        std::string_view token;
        tokens.Next(token);
        const std::string_view countToken = token;
        const int n = ParseOffInt(token);
        if (n < 0) {
            const std::string reason = "polygon " + std::to_string(j + 1) + " has a negative vertex count (" +
                                       WrittenNumber(token, n) + ")";
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
                                           CountOf(n, "vertex", WrittenNumber(countToken, n)) +
                                           " but lists " + std::to_string(i);
                if (!m_repair) {
                    return Fail(lineNumber, reason);
                }
                Repair(OffRepairKind::kShortFace, lineNumber, [&] { return "dropped " + reason; });
                return true;
            }
            const int index = ParseOffInt(token);
            if (index < 0 || index >= m_nVertices) {
                m_doc.m_polygons.DiscardOpenPolygon();
                const std::string reason =
                    "polygon " + std::to_string(j + 1) + " refers to vertex " + WrittenNumber(token, index) +
                    ", but the vertices are numbered 0 to " + std::to_string(m_nVertices - 1);
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

    std::string_view m_text;
    LineCursor m_lines;
    std::string_view m_countsLine;
    std::size_t m_countsLineNumber = 0;
    OffReadStats* m_stats;
};

}  // namespace

bool ReadOffText(std::string_view text, CQuorvaneDoc& out, OffError& error, const OffReadOptions& options,
                 OffRepairReport* report, OffReadStats* stats) {
    if (report) {
        report->Clear();
    }
    if (stats) {
        *stats = OffReadStats{};
    }
    OffParser parser(text, out, error, options, report, stats);
    return parser.Run();
}

namespace {

// The first line of a text of which only `start` is known, with the CRs before its line end
// removed, cut at `stops` (some of "\r\n#"); false when the bytes after `start` could still
// change how it is quoted (Quote shows kQuoteMax bytes, so a longer line is known by then).
bool KnownFirstLine(std::string_view start, std::string_view stops, std::string_view& line) {
    const std::size_t k = start.find_first_of(stops);
    if (k == std::string_view::npos) {
        if (start.size() <= kQuoteMax) {
            return false;
        }
        line = start;
        return true;
    }
    line = start.substr(0, k);
    return true;
}

// `start` cut after its last line end whose meaning the bytes after `start` cannot change (an LF,
// or a CR followed by a byte that is neither CR nor LF).
std::string_view CompleteLines(std::string_view start) {
    const std::size_t lf = start.rfind('\n');
    std::size_t cr = start.size();
    while (cr > 0) {
        cr = start.rfind('\r', cr - 1);
        if (cr == std::string_view::npos) {
            cr = 0;
            break;
        }
        if (cr + 1 < start.size() && start[cr + 1] != '\r' && start[cr + 1] != '\n') {
            ++cr;
            break;
        }
    }
    const std::size_t end = lf == std::string_view::npos ? cr : std::max(lf + 1, cr);
    return start.substr(0, end);
}

// Whether reading the complete lines of `start` is refused at one of those lines, for a reason
// that no later byte can change: the reader decides every line from the lines before it, and
// only the refusals for the end of the text lie beyond its last line (or have no line, as the
// binary form's).
bool RefusedWithinCompleteLines(std::string_view start, const OffReadOptions& options, OffError& error) {
    const std::string_view lines = CompleteLines(start);
    std::size_t count = 0;
    LineCursor cursor(lines);
    for (std::string_view line; cursor.Next(line);) {
        ++count;
    }
    OffReadOptions serial = options;
    serial.parallelFromBytes = ~std::size_t{0};
    CQuorvaneDoc doc;
    OffError found;
    if (count == 0 || ReadOffText(lines, doc, found, serial) || found.line == 0 || found.line > count) {
        return false;
    }
    error = std::move(found);
    return true;
}

}  // namespace

bool OffStartIsRefused(std::string_view start, const OffReadOptions& options, OffError& error) {
    if (RefusedWithinCompleteLines(start, options, error)) {
        return true;
    }
    if (!options.repair) {
        // The first line must be "OFF" byte for byte. Where CRs stand before a CR LF they are
        // part of the line, which then is not "OFF" either; only the quotation depends on them.
        std::string_view line;
        if (start.empty() || !KnownFirstLine(start, "\r\n", line) || line == "OFF") {
            return false;
        }
        const std::size_t k = line.size();
        if (k < start.size() && start[k] == '\r' && k <= kQuoteMax) {
            // "\r\r...\r\n" keeps its CRs in the line: decided only once they are all in sight.
            std::size_t run = k;
            while (run < start.size() && start[run] == '\r') {
                ++run;
            }
            if (run == start.size()) {
                return false;
            }
            if (start[run] == '\n' && run > k + 1) {
                line = start.substr(0, run - 1);
            }
        }
        error = OffError{1, "expected \"OFF\" alone on the first line, found " + Quote(line)};
        return true;
    }
    // Repairing, the first line is the header unless it is blank or a comment. A first byte that
    // starts neither a blank, a comment, the counts nor a keyword ([ST][C][N][4][n]OFF) decides.
    std::string_view rest = start.substr(0, 3) == "\xEF\xBB\xBF" ? start.substr(3) : start;
    if (rest.empty()) {
        return false;
    }
    const char c = rest[0];
    if (IsWhiteSpace(c) || c == '#' || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
        std::string_view("STCN4nO").find(c) != std::string_view::npos) {
        return false;
    }
    std::string_view line;
    if (!KnownFirstLine(rest, "\r\n#", line)) {
        return false;
    }
    error = OffError{1, "expected an OFF keyword on the first line, found " + Quote(line)};
    return true;
}

ReadStatus ReadOffFile(const std::string& path, const OffReadOptions& options, FileBytes& bytes,
                       OffError& error, const ReadWatch& watch) {
    const InputLimit limit =
        options.maxBytes != 0 ? InputLimit{options.maxBytes, std::string()} : DefaultInputLimit();
    ReadLimits limits;
    limits.maxBytes = limit.bytes;
    OffError startError;
    limits.checkStart = [&](std::string_view start) {
        return !OffStartIsRefused(start, options, startError);
    };
    std::string reason;
    const ReadStatus status = ReadWholeFile(path, bytes, reason, limits, watch);
    switch (status) {
        case ReadStatus::kRead:
        case ReadStatus::kCancelled:
            break;
        case ReadStatus::kFailed:
            error = OffError{0, std::move(reason)};
            break;
        case ReadStatus::kTooLarge:
            error = OffError{0, "the file is larger than the input limit of " + FormatByteCount(limit.bytes) +
                                    (limit.origin.empty() ? std::string() : ", " + limit.origin)};
            break;
        case ReadStatus::kStopped:
            error = std::move(startError);
            break;
    }
    return status;
}

}  // namespace quorvane
