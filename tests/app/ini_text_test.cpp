// Plain INI text of the profile file.
#include "app/ini_text.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(IniText, ReadsSectionsWithBlanksAndLiteralValues) {
    const auto entries = ParseIniText(
        "; profile\r\n[Recent File List]\r\nFile1=/home/a b/x,y;z.off\r\n File2 = /m/%20.off \r\n\r\n"
        "[Other]\nkey=1\nnot an entry\n=novalue\n");
    const std::vector<IniEntry> expected{{"Recent File List", "File1", "/home/a b/x,y;z.off"},
                                         {"Recent File List", "File2", "/m/%20.off"},
                                         {"Other", "key", "1"}};
    EXPECT_EQ(entries, expected);
}

TEST(IniText, KeysBeforeAnySectionHaveAnEmptySection) {
    EXPECT_EQ(ParseIniText("a=1\n[S]\nb=2"), (std::vector<IniEntry>{{"", "a", "1"}, {"S", "b", "2"}}));
}

TEST(IniText, WritesEachSectionOnceAndReadsBackTheSame) {
    const std::vector<IniEntry> entries{{"", "top", "t"},
                                        {"Recent File List", "File1", "/a b/c.off"},
                                        {"Recent File List", "File2", "/d=e.off"},
                                        {"Z", "k", ""}};
    const std::string text = FormatIniText(entries);
    EXPECT_EQ(text, "top=t\n\n[Recent File List]\nFile1=/a b/c.off\nFile2=/d=e.off\n\n[Z]\nk=\n");
    EXPECT_EQ(ParseIniText(text), entries);
}

TEST(IniText, ValuesWithLineEndsAreLeftOut) {
    EXPECT_EQ(FormatIniText({{"S", "bad", "a\nb"}, {"S", "good", "c"}}), "[S]\ngood=c\n");
}

}  // namespace
}  // namespace quorvane
