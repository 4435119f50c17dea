// Reading a file whole in a way that a cancel can stop: regular files, FIFOs with and without a
// writer, folders; and telling whether two names are one file.
#include "app/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <random>
#include <thread>

#include "app_test_support.h"

namespace quorvane {
namespace {

std::string Local(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

TEST(ReadFileUnlessCancelled, ReadsARegularFileByteForByte) {
    QTemporaryDir dir;
    // Every byte value, and more than one read's worth of them.
    std::string bytes(std::size_t{9} << 20, '\0');
    std::mt19937 random(7);
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    const QString path = testing::WriteFile(dir, "all.bin", QByteArray::fromStdString(bytes));
    std::atomic<bool> cancel{false};
    std::string text;
    std::string reason;
    ASSERT_EQ(ReadFileUnlessCancelled(Local(path), text, reason, cancel), ReadStatus::kRead);
    EXPECT_TRUE(text == bytes);

    const QString empty = testing::WriteFile(dir, "empty.off", QByteArray());
    ASSERT_EQ(ReadFileUnlessCancelled(Local(empty), text, reason, cancel), ReadStatus::kRead);
    EXPECT_TRUE(text.empty());
}

TEST(ReadFileUnlessCancelled, GivesTheSystemsReasonForAFolderOrAMissingFile) {
    QTemporaryDir dir;
    std::atomic<bool> cancel{false};
    std::string text;
    std::string reason;
    EXPECT_EQ(ReadFileUnlessCancelled(Local(dir.path()), text, reason, cancel), ReadStatus::kFailed);
    EXPECT_EQ(reason, std::strerror(EISDIR));
    EXPECT_EQ(ReadFileUnlessCancelled(Local(dir.filePath("gone.off")), text, reason, cancel),
              ReadStatus::kFailed);
    EXPECT_EQ(reason, std::strerror(ENOENT));
}

TEST(ReadFileUnlessCancelled, WaitsForTheWriterOfAFifoAndReadsToItsEnd) {
    QTemporaryDir dir;
    const std::string fifo = Local(dir.filePath("pipe.off"));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> cancel{false};
    auto reading = std::async(std::launch::async, [&] {
        std::string text;
        std::string reason;
        const ReadStatus status = ReadFileUnlessCancelled(fifo, text, reason, cancel);
        return std::make_pair(status, text);
    });
    // No writer yet: the read waits instead of taking the FIFO for an empty file.
    EXPECT_EQ(reading.wait_for(std::chrono::milliseconds(4 * kReadPollMs)), std::future_status::timeout);
    const int writer = ::open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "OFF\n", 4), 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * kReadPollMs));
    ASSERT_EQ(::write(writer, "3 1\n", 4), 4);
    ::close(writer);
    const auto [status, text] = reading.get();
    EXPECT_EQ(status, ReadStatus::kRead);
    EXPECT_EQ(text, "OFF\n3 1\n");
}

TEST(ReadFileUnlessCancelled, ACancelStopsAReadThatWouldNeverEnd) {
    QTemporaryDir dir;
    const std::string fifo = Local(dir.filePath("endless.off"));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A writer that keeps the FIFO open and never ends it.
    const int writer = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "OFF\n", 4), 4);
    std::atomic<bool> cancel{false};
    auto reading = std::async(std::launch::async, [&] {
        std::string text;
        std::string reason;
        return ReadFileUnlessCancelled(fifo, text, reason, cancel);
    });
    EXPECT_EQ(reading.wait_for(std::chrono::milliseconds(4 * kReadPollMs)), std::future_status::timeout);
    cancel.store(true);
    ASSERT_EQ(reading.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(reading.get(), ReadStatus::kCancelled);
    ::close(writer);
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
