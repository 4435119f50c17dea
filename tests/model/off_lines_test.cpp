// Line ends of OFF text: LF and CR LF end a line, as the format says; a lone CR does too (old
// Macintosh files). CRs directly before a CR LF stay in their line, which is where the LF and
// CR LF rule puts them, so a CR CR LF (a CR LF file whose line ends were converted once more)
// never makes an empty line that would refuse a valid file; a CR before anything else still
// ends a line, so CR CR in a CR-only file is a line end and an empty line.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/document.h"
#include "model/off_lines.h"
#include "support/child_process.h"
#include "support/documents.h"
#include "support/test_files.h"

namespace quorvane {
namespace {

// The lines of `text` by the rule above, byte by byte (quadratic on runs of CRs).
std::vector<std::string> LiteralLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n) {
        std::size_t i = pos;
        std::size_t next = n;
        for (; i < n; ++i) {
            if (text[i] == '\n') {
                next = i + 1;
                break;
            }
            if (text[i] == '\r') {
                if (i + 1 < n && text[i + 1] == '\n') {
                    next = i + 2;
                    break;
                }
                std::size_t j = i + 1;
                while (j < n && text[j] == '\r') {
                    ++j;
                }
                if (j > i + 1 && j < n && text[j] == '\n') {
                    continue;  // a CR before CRs and a CR LF is part of the line
                }
                next = i + 1;
                break;
            }
        }
        lines.push_back(text.substr(pos, i - pos));
        pos = next;
    }
    return lines;
}

std::vector<std::string> CursorLines(const std::string& text) {
    std::vector<std::string> lines;
    LineCursor cursor(text);
    for (std::string_view line; cursor.Next(line);) {
        lines.emplace_back(line);
        EXPECT_EQ(cursor.LineNumber(), lines.size());
    }
    EXPECT_EQ(cursor.Remaining(), 0u);
    return lines;
}

TEST(OffLines, EveryShortMixOfLineEndsSplitsByTheRule) {
    // All texts of up to 8 bytes over 'a', CR and LF.
    const char alphabet[] = {'a', '\r', '\n'};
    for (int length = 0; length <= 8; ++length) {
        int total = 1;
        for (int i = 0; i < length; ++i) {
            total *= 3;
        }
        for (int code = 0; code < total; ++code) {
            std::string text;
            for (int i = 0, c = code; i < length; ++i, c /= 3) {
                text += alphabet[c % 3];
            }
            ASSERT_EQ(CursorLines(text), LiteralLines(text)) << ::testing::PrintToString(text);
        }
    }
}

TEST(OffLines, LongRandomMixesSplitByTheRule) {
    std::mt19937 rng(77);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int length = static_cast<int>(rng() % 400);
        for (int i = 0; i < length; ++i) {
            const unsigned r = rng() % 10;
            // Long runs of CRs, with and without an LF after them.
            text += r < 4 ? '\r' : r < 6 ? '\n' : r < 8 ? 'x' : ' ';
        }
        ASSERT_EQ(CursorLines(text), LiteralLines(text)) << round;
    }
}

TEST(OffLines, NamedCases) {
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"lone CR", "a\rb\r", {"a", "b"}},
        {"CR CR LF keeps one CR in the line", "a\r\r\nb", {"a\r", "b"}},
        {"CR CR CR LF keeps two", "a\r\r\r\nb", {"a\r\r", "b"}},
        {"CR CR in a CR-only file is an empty line", "a\r\rb", {"a", "", "b"}},
        {"CR LF LF is an empty line", "a\r\n\nb", {"a", "", "b"}},
        {"LF CR is a line and an empty line", "a\n\rb", {"a", "", "b"}},
        {"final CR CR", "a\r\r", {"a", ""}},
        {"no final line end", "a\nb", {"a", "b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CursorLines(c.text), c.lines) << c.name;
        EXPECT_EQ(LiteralLines(c.text), c.lines) << c.name;
    }
}

// The triangle file with every line ended by `end`.
std::string TriangleWith(const std::string& end) {
    std::string text;
    for (const char* line : {"OFF", "3 1", "0 0 0", "1 0 0", "0 1 0", "3 0 1 2"}) {
        text += line;
        text += end;
    }
    return text;
}

TEST(OffLines, CrCrLfLinesReadAsTheirLfTwinExceptTheStrictKeyword) {
    // Vertex, counts and face lines keep a CR at their end, which reads as white space.
    std::string body = "OFF\n";
    for (const char* line : {"3 1", "0 0 0", "1 0 0", "0 1 0", "3 0 1 2"}) {
        body += line;
        body += "\r\r\n";
    }
    CQuorvaneDoc lf, crcrlf;
    ASSERT_TRUE(lf.LoadFromText(TriangleWith("\n")));
    OffError error;
    ASSERT_TRUE(crcrlf.LoadFromText(body, &error)) << error.ToString();
    EXPECT_TRUE(testing::IsConsistent(crcrlf));
    EXPECT_EQ(crcrlf.m_vertices, lf.m_vertices);
    EXPECT_EQ(testing::PolygonsOf(crcrlf), testing::PolygonsOf(lf));

    // The keyword line is then "OFF" and a CR: not the keyword alone, as the strict reading wants.
    const std::string all = TriangleWith("\r\r\n");
    CQuorvaneDoc strict;
    ASSERT_FALSE(strict.LoadFromText(all, &error));
    EXPECT_EQ(error.ToString(), "line 1: expected \"OFF\" alone on the first line, found \"OFF\\r\"");
    CQuorvaneDoc repaired;
    OffRepairReport report;
    ASSERT_TRUE(repaired.LoadFromText(all, &error, OffReadOptions{true}, &report)) << error.ToString();
    EXPECT_EQ(report.Total(), 1u) << report.Summary();
    EXPECT_EQ(report.Count(OffRepairKind::kKeywordBlanks), 1u) << report.Summary();
    EXPECT_EQ(testing::PolygonsOf(repaired), testing::PolygonsOf(lf));
}

TEST(OffLines, EveryLineEndGivesTheSameModel) {
    CQuorvaneDoc lf;
    ASSERT_TRUE(lf.LoadFromText(TriangleWith("\n")));
    for (const char* end : {"\r\n", "\r"}) {
        CQuorvaneDoc doc;
        OffError error;
        ASSERT_TRUE(doc.LoadFromText(TriangleWith(end), &error)) << error.ToString();
        EXPECT_EQ(doc.m_vertices, lf.m_vertices);
        EXPECT_EQ(testing::PolygonsOf(doc), testing::PolygonsOf(lf));
    }
}

TEST(OffLines, EmptyLinesOfLoneCrsCountAsLines) {
    // CR CR inside the vertex section is an empty line there, which the strict reading refuses,
    // with the line numbered as the CRs count.
    CQuorvaneDoc doc;
    OffError error;
    EXPECT_FALSE(doc.LoadFromText("OFF\r3 1\r0 0 0\r\r1 0 0\r0 1 0\r3 0 1 2\r", &error));
    EXPECT_EQ(error.ToString(), "line 4: blank line where vertex 2 of 3 was expected");
    // Between faces empty lines are skipped; a later error is numbered past them.
    EXPECT_FALSE(doc.LoadFromText("OFF\n3 2\r\n0 0 0\r1 0 0\n0 1 0\r\r\r\n\r\r3 0 1 2\r\r3 0 1 9\n", &error));
    EXPECT_EQ(error.line, 10u) << error.ToString();
    EXPECT_NE(error.reason.find("refers to vertex 9"), std::string::npos) << error.reason;
}

}  // namespace
}  // namespace quorvane
