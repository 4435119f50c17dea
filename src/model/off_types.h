// The values that loading an OFF file reports: the refusal, the reading options and the repairs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quorvane {

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
    // the result is the same as reading them one after the other. 0 takes two threads for every
    // file that has both sections (tests and the fuzz target use it to reach that path).
    std::size_t parallelFromBytes = std::size_t{1} << 20;
    // A file larger than this many bytes is refused before it is read whole; 0 takes the
    // machine's default (DefaultInputLimit in model/input_limit.h).
    std::size_t maxBytes = 0;
    // Whether a load builds the list of distinct edges. Without it the model has none (m_edges
    // empty, m_nUniqueEdges 0): for callers that draw no wireframe and count no edges, which spares
    // a large model the time and memory of the list.
    bool buildEdges = true;
};

// What one reading did besides its result, for tests, benchmarks and the curious.
struct OffReadStats {
    // The vertex and face sections were read on two threads.
    bool twoThreads = false;
    // Two threads were wanted, but the system refused the second one: read on one thread.
    bool threadRefused = false;
    // How many vertices (the last ones) the second thread read before the faces: 0 when the
    // first half of the text held the whole vertex section.
    int secondThreadVertices = 0;
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
    kPointSet,           // vertices and no polygons: a point set, shown as points
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
    // Plain-words title of a kind, for any number of repairs ("comment lines skipped").
    static const char* KindTitle(OffRepairKind kind);
    // A count of repairs of a kind in words, singular for one: "1 blank line skipped",
    // "3 blank lines skipped".
    static std::string CountedKind(OffRepairKind kind, std::size_t count);
    // The report as text: a line per kind with its count in words, then its first examples with
    // their lines and "and N more" for the rest.
    std::string Summary() const;

  private:
    static std::size_t Index(OffRepairKind kind) { return static_cast<std::size_t>(kind); }
    std::size_t m_counts[static_cast<std::size_t>(OffRepairKind::kCount)] = {};
    std::size_t m_total = 0;
    std::vector<OffRepair> m_examples;
};

}  // namespace quorvane
