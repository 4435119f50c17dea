// The OFF reader: one pass over the lines of a whole file held in memory.
#pragma once

#include <string_view>

#include "model/document.h"

namespace quorvane {

// Reads OFF text into `out`, which must be a fresh document; the distinct-edge list is left
// to the caller (BuildUniqueEdges). Returns false with `error` set
// (line and reason) when the text is refused; `out` is then unspecified.
bool ReadOffText(std::string_view text, CQuorvaneDoc& out, OffError& error,
                 const OffReadOptions& options = {}, OffRepairReport* report = nullptr);

// Splits text into lines: a line ends at LF, CR LF or a lone CR; the end is not part of it.
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
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_line = 0;
};

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

}  // namespace quorvane
