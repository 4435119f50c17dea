// File-name rules, the texts about files, and the SVG picture of the clipboard.
#include "app/file_rules.h"

#include <gtest/gtest.h>

#include "app/picture_svg.h"

namespace quorvane {
namespace {

struct ExtensionCase {
    const char* typed;
    const char* saved;
};

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
