// File-name rules, the texts about files, and the SVG picture of the clipboard.
#include "app/file_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/picture_svg.h"

namespace quorvane {
namespace {

struct ExtensionCase {
    const char* typed;
    const char* saved;
};

void PrintTo(const ExtensionCase& c, std::ostream* os) {
    *os << c.typed << " saved as " << c.saved;
}

class EnsureDefaultExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(EnsureDefaultExtensionTest, AppendsOffOnlyToNamesWithoutExtension) {
    EXPECT_EQ(EnsureDefaultExtension(GetParam().typed), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Names, EnsureDefaultExtensionTest,
                         ::testing::Values(ExtensionCase{"/tmp/model", "/tmp/model.off"},
                                           ExtensionCase{"/tmp/model.off", "/tmp/model.off"},
                                           ExtensionCase{"/tmp/model.txt", "/tmp/model.txt"},
                                           // A dot in a folder name is not the file's extension.
                                           ExtensionCase{"/tmp/v1.2/model", "/tmp/v1.2/model.off"},
                                           // A leading dot makes a hidden file, not an extension.
                                           ExtensionCase{"/tmp/.model", "/tmp/.model.off"},
                                           ExtensionCase{"model", "model.off"}));

TEST(DocumentTitle, IsTheFileNameOrUntitled) {
    EXPECT_EQ(DocumentTitle(""), "Untitled");
    EXPECT_EQ(DocumentTitle("/home/a/teapot.off"), "teapot.off");
    EXPECT_EQ(FrameCaption("Untitled"), "Untitled[*] - Quorvane");
    EXPECT_EQ(SaveChangesQuestion("cube.off"), "Save changes to cube.off?");
}

TEST(FrameCaption, EscapesThePlaceholderInTheTitleAndMarksARepairedModel) {
    EXPECT_EQ(EscapeTitlePlaceholder("a[*]b"), "a[*][*]b");
    EXPECT_EQ(EscapeTitlePlaceholder("[*][*]"), "[*][*][*][*]");
    EXPECT_EQ(EscapeTitlePlaceholder("[*] [* *] ]"), "[*][*] [* *] ]");
    EXPECT_EQ(FrameCaption("x[*].off"), "x[*][*].off[*] - Quorvane");
    EXPECT_EQ(FrameCaption("cube.off", true), "cube.off (repaired)[*] - Quorvane");
}

// A file with a keyword variant, a comment line, a comment after data and a polygon naming a
// vertex that does not exist.
constexpr std::string_view kRepairableText =
    "COFF\n# a comment line\n4 3 0\n0 0 0 1 0 0 1\n1 0 0 0 1 0 1\n0 1 0 0 0 1 1\n"
    "0 0 1 1 1 1 1 # trailing\n3 0 1 2\n3 0 1 9\n3 0 2 3\n";

TEST(RepairedSaveLosses, NameWhatTheRepairsOfAFileRemoved) {
    CQuorvaneDoc doc;
    OffRepairReport repairs;
    ASSERT_TRUE(doc.LoadFromText(kRepairableText, nullptr, OffReadOptions{true}, &repairs));
    const std::vector<std::string> expected{
        "the extra vertex values of its keyword variant (colours, normals or texture coordinates)",
        "1 comment line",
        "1 comment after data",
        "1 dropped polygon with a vertex index out of range",
    };
    EXPECT_EQ(RepairedSaveLosses(repairs), expected);

    const std::string question = RepairedSaveQuestion("model.off", repairs);
    EXPECT_EQ(question.rfind("model.off was opened with repairs.", 0), 0u) << question;
    for (const std::string& loss : expected) {
        EXPECT_NE(question.find("- " + loss + "\n"), std::string::npos) << loss;
    }
    EXPECT_NE(question.find("Save As"), std::string::npos);
}

TEST(RepairedSaveLosses, EveryKindOfRepairIsNamedOnceWithItsCount) {
    OffRepairReport repairs;
    for (std::size_t k = 0; k < static_cast<std::size_t>(OffRepairKind::kCount); ++k) {
        for (std::size_t n = 0; n <= k; ++n) {
            repairs.Add(static_cast<OffRepairKind>(k), n + 1, "detail");
        }
    }
    const std::vector<std::string> losses = RepairedSaveLosses(repairs);
    ASSERT_EQ(losses.size(), static_cast<std::size_t>(OffRepairKind::kCount));
    for (std::size_t k = 0; k < losses.size(); ++k) {
        EXPECT_FALSE(losses[k].empty());
        EXPECT_EQ(losses[k].find("other repair"), std::string::npos) << losses[k];
        for (std::size_t j = 0; j < k; ++j) {
            EXPECT_NE(losses[k], losses[j]);
        }
    }
    // Counted kinds say how many (kind k was added k + 1 times).
    const auto k = [](OffRepairKind kind) { return static_cast<std::size_t>(kind); };
    EXPECT_EQ(losses[k(OffRepairKind::kCommentLine)],
              std::to_string(k(OffRepairKind::kCommentLine) + 1) + " comment lines");
    EXPECT_EQ(losses[k(OffRepairKind::kBlankLine)],
              std::to_string(k(OffRepairKind::kBlankLine) + 1) + " blank lines");
    EXPECT_TRUE(RepairedSaveLosses(OffRepairReport()).empty());
}

TEST(OpenFailureMessage, NamesTheFileTheLineAndTheReason) {
    const std::string refused = OpenFailureMessage("/m/bad.off", OffError{3, "expected three numbers"});
    EXPECT_NE(refused.find("/m/bad.off"), std::string::npos);
    EXPECT_NE(refused.find("Line 3: expected three numbers"), std::string::npos);

    const std::string unreadable =
        OpenFailureMessage("/m/gone.off", OffError{0, "No such file or directory"});
    EXPECT_EQ(unreadable.find("Line"), std::string::npos);
    EXPECT_NE(unreadable.find("No such file or directory"), std::string::npos);
}

TEST(SaveFailureMessage, NamesTheFileAndTheReason) {
    const std::string text = SaveFailureMessage("/ro/x.off", "Permission denied");
    EXPECT_NE(text.find("/ro/x.off"), std::string::npos);
    EXPECT_NE(text.find("Permission denied"), std::string::npos);
}

TEST(BuildPictureSvg, PlacesTheImageAtItsOffsetInAPictureOfTheClientArea) {
    const std::string svg = BuildPictureSvg(640, 480, 80, 0, 480, "QUJD");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("width=\"640\" height=\"480\" viewBox=\"0 0 640 480\""), std::string::npos);
    EXPECT_NE(svg.find("<image x=\"80\" y=\"0\" width=\"480\" height=\"480\""), std::string::npos);
    EXPECT_NE(svg.find("xlink:href=\"data:image/png;base64,QUJD\""), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
