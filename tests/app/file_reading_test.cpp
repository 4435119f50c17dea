// Telling whether two names are one file.
#include "app/file_reading.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app_test_support.h"

namespace quorvane {
namespace {

std::string Local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

TEST(IsSameFile, FollowsSymbolicAndHardLinks) {
    QTemporaryDir dir;
    const QString a = testing::WriteFile(dir, "a.off", "OFF\n");
    const QString b = testing::WriteFile(dir, "b.off", "OFF\n");
    ASSERT_EQ(::symlink(Local(a).c_str(), Local(dir.filePath("sym.off")).c_str()), 0);
    ASSERT_EQ(::link(Local(a).c_str(), Local(dir.filePath("hard.off")).c_str()), 0);
    EXPECT_TRUE(IsSameFile(Local(a), Local(a)));
    EXPECT_TRUE(IsSameFile(Local(a), Local(dir.filePath("sym.off"))));
    EXPECT_TRUE(IsSameFile(Local(dir.filePath("hard.off")), Local(a)));
    EXPECT_FALSE(IsSameFile(Local(a), Local(b)));
    EXPECT_FALSE(IsSameFile(Local(a), Local(dir.filePath("gone.off"))));
    EXPECT_FALSE(IsSameFile(Local(dir.filePath("gone.off")), Local(dir.filePath("gone.off"))));
}

}  // namespace
}  // namespace quorvane
