// The lines of OFF text, as the reader sees them. Internal to the model library (the reader and
// its tests).
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace quorvane {

// Splits text into lines. A line ends at LF or at CR LF, as the format has it, or at a lone CR
// (files of old Macintosh programs). CRs directly before a CR LF stay in the line, where the LF and
// CR LF rule puts them (they read as white space), so "\r\r\n" ends one line and adds no empty
// one; a CR followed by anything else ends a line, so "\r\r" in a CR-only file is a line end and
// an empty line. Linear for every mix of line ends: each search result is kept until the cursor
// passes it, so no byte is searched twice.
class LineCursor {
  public:
    // `linesBefore` is the number of lines that came before `text` in the file.
    explicit LineCursor(std::string_view text, std::size_t linesBefore = 0)
        : m_text(text), m_line(linesBefore) {}

    // The next line, or false at the end of the text. A final line end does not start a
    // further (empty) line.
    bool Next(std::string_view& line);
    // 1-based number of the line returned last (0 before the first).
    std::size_t LineNumber() const { return m_line; }
    // Bytes not yet consumed.
    std::size_t Remaining() const { return m_text.size() - m_pos; }
    // The text not yet consumed.
    std::string_view Rest() const { return m_text.substr(m_pos); }

  private:
    static constexpr std::size_t kUnknown = ~std::size_t{0};

    // Position of the next `c` at or after m_pos (the text's size when there is none), searched
    // only when the last answer in `cache` lies behind the cursor.
    std::size_t NextOf(char c, std::size_t& cache) const;
    // End of the run of CRs that holds position `at`.
    std::size_t CrRunEnd(std::size_t at);

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_line = 0;
    std::size_t m_nextLf = kUnknown;
    std::size_t m_nextCr = kUnknown;
    std::size_t m_crRunEnd = 0;  // end of the last run of CRs measured
};

inline std::size_t LineCursor::NextOf(char c, std::size_t& cache) const {
    if (cache == kUnknown || cache < m_pos) {
        // memchr keeps long lines fast.
        const void* found = std::memchr(m_text.data() + m_pos, c, m_text.size() - m_pos);
        cache =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - m_text.data()) : m_text.size();
    }
    return cache;
}

inline std::size_t LineCursor::CrRunEnd(std::size_t at) {
    // Positions only grow, so a run measured before that reaches past `at` holds it.
    if (m_crRunEnd <= at) {
        m_crRunEnd = at;
        while (m_crRunEnd < m_text.size() && m_text[m_crRunEnd] == '\r') {
            ++m_crRunEnd;
        }
    }
    return m_crRunEnd;
}

inline bool LineCursor::Next(std::string_view& line) {
    const std::size_t size = m_text.size();
    if (m_pos >= size) {
        return false;
    }
    const std::size_t lf = NextOf('\n', m_nextLf);
    const std::size_t cr = NextOf('\r', m_nextCr);
    std::size_t end = lf < cr ? lf : cr;  // the line's text ends here
    std::size_t next = end + 1;           // and the next line starts here
    if (end == size) {
        next = size;
    } else if (end == cr) {
        if (cr + 1 < size && m_text[cr + 1] == '\n') {
            next = cr + 2;
        } else if (cr + 1 < size && m_text[cr + 1] == '\r') {
            const std::size_t run = CrRunEnd(cr);
            if (run < size && m_text[run] == '\n') {
                // CRs, then CR LF: the line ends at the CR LF and keeps the CRs before it.
                end = run - 1;
                next = run + 1;
            }
        }
    }
    line = m_text.substr(m_pos, end - m_pos);
    m_pos = next;
    ++m_line;
    return true;
}

}  // namespace quorvane
