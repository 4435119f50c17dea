// The recent-file list rules and the shortening of paths for the menu, without any widget.
#include "app/recent_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane {
namespace {

TEST(RecentFileList, SixFilesKeepTheFiveNewestNewestFirst) {
    CRecentFileList list;
    for (int i = 1; i <= 6; ++i) {
        list.Add("/m/" + std::to_string(i) + ".off");
    }
    EXPECT_EQ(list.Entries(),
              (std::vector<std::string>{"/m/6.off", "/m/5.off", "/m/4.off", "/m/3.off", "/m/2.off"}));
}

TEST(RecentFileList, ReopeningMovesTheEntryToTheFrontWithoutRepeating) {
    CRecentFileList list;
    list.Add("/a.off");
    list.Add("/b.off");
    list.Add("/c.off");
    list.Add("/a.off");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a.off", "/c.off", "/b.off"}));
    list.Add("/a.off");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a.off", "/c.off", "/b.off"}));
}

TEST(RecentFileList, ReopeningTheOldestOfAFullListKeepsAllFive) {
    CRecentFileList list;
    for (const char* name : {"/1", "/2", "/3", "/4", "/5"}) {
        list.Add(name);
    }
    list.Add("/1");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/1", "/5", "/4", "/3", "/2"}));
}

TEST(RecentFileList, RemoveDropsOneEntryAndIgnoresBadIndices) {
    CRecentFileList list;
    list.SetEntries({"/a", "/b", "/c"});
    list.Remove(1);
    list.Remove(-1);
    list.Remove(7);
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a", "/c"}));
}

TEST(RecentFileList, EntriesFromTheProfileSkipEmptiesRepeatsAndExtras) {
    CRecentFileList list;
    list.SetEntries({"/a", "", "/b", "/a", "/c", "/d", "/e", "/f", "/g"});
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a", "/b", "/c", "/d", "/e"}));
}

TEST(RecentFileList, EmptyPathIsNotAdded) {
    CRecentFileList list;
    list.Add("");
    EXPECT_TRUE(list.IsEmpty());
}

struct AbbreviationCase {
    const char* path;
    const char* shown;
};

void PrintTo(const AbbreviationCase& c, std::ostream* os) {
    *os << c.path << " shown as " << c.shown;
}

class AbbreviatePathTest : public ::testing::TestWithParam<AbbreviationCase> {};

TEST_P(AbbreviatePathTest, ShowsAtMostThirtyCharacters) {
    const AbbreviationCase& c = GetParam();
    const std::string shown = AbbreviatePath(c.path);
    EXPECT_EQ(shown, c.shown);
    EXPECT_LE(Utf8Length(shown), 30);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AbbreviatePathTest,
    ::testing::Values(
        // Thirty characters fit as they are; thirty-one do not.
        AbbreviationCase{"/home/ann/models/teapot123.off", "/home/ann/models/teapot123.off"},
        AbbreviationCase{"/home/anna/models/teapot123.off", "/.../anna/models/teapot123.off"},
        // As many trailing folders as fit.
        AbbreviationCase{"/home/someone/work/meshes/a/b/cube.off", "/.../work/meshes/a/b/cube.off"},
        AbbreviationCase{"/very/long/folder/names/here/and/more/x.off", "/.../names/here/and/more/x.off"},
        // A relative path has no root before the dots.
        AbbreviationCase{"relative/folder/with/many/parts/x.off", ".../with/many/parts/x.off"},
        // Only the file name fits.
        AbbreviationCase{"/data/a_rather_long_model_name_1.off", "a_rather_long_model_name_1.off"},
        // A file name too long by itself keeps its start and end.
        AbbreviationCase{"/d/abcdefghijklmnopqrstuvwxyz0123456789.off", "abcdefghijklmn...123456789.off"}));

TEST(AbbreviatePath, CountsCharactersNotBytes) {
    std::string fits = "/";
    for (int i = 0; i < 29; ++i) {
        fits += "é";  // two bytes each: 59 bytes, 30 characters
    }
    EXPECT_EQ(AbbreviatePath(fits), fits);
}

TEST(AbbreviatePath, CutsLongNamesOnCharacterBoundaries) {
    std::string name = "/";
    for (int i = 0; i < 40; ++i) {
        name += "ü";
    }
    const std::string shown = AbbreviatePath(name);
    EXPECT_EQ(Utf8Length(shown), 30);
    EXPECT_EQ(shown.find("..."), 28u);  // 14 two-byte letters before the dots
}

TEST(RecentMenuText, NumbersEntriesAndDoublesAmpersands) {
    EXPECT_EQ(RecentMenuText(0, "/m/cube.off"), "&1 /m/cube.off");
    EXPECT_EQ(RecentMenuText(4, "/m/R&D.off"), "&5 /m/R&&D.off");
}

}  // namespace
}  // namespace quorvane
