// Reading a file whole: every byte of regular files, FIFOs with and without a writer, folders; a
// cancel that stops a reading which would never end; progress as the bytes come in; the input
// limit before anything is read and as a stream passes it; a start that cannot be OFF stopping the
// reading at its first bytes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "model/file_io.h"
#include "model/off_reader.h"

namespace quorvane {
namespace {

// The first bytes of a PNG picture, which a user may well give as a model.
const std::string kPngStart("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

class FileRead : public ::testing::Test {
  protected:
    void SetUp() override {
        // One folder per test; a parameterised test's name holds a '/'.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        folder_ = std::filesystem::temp_directory_path() /
                  ("quorvane_read_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        // A reader that stops early closes its FIFO: the writer must see an error, not a signal.
        std::signal(SIGPIPE, SIG_IGN);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string Fifo(const std::string& name) const {
        const std::string path = (folder_ / name).string();
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
    }

    std::filesystem::path folder_;
};

// Every call of a progress callback.
struct ProgressLog {
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    std::function<void(std::size_t, std::size_t)> Callback() {
        return [this](std::size_t done, std::size_t total) { calls.emplace_back(done, total); };
    }
    std::size_t MostDone() const {
        std::size_t most = 0;
        for (const auto& call : calls) {
            most = std::max(most, call.first);
        }
        return most;
    }
};

// Random bytes of every value.
std::string RandomBytes(std::size_t count, unsigned seed) {
    std::string bytes(count, '\0');
    std::mt19937 random(seed);
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

TEST_F(FileRead, ReadsRegularFilesByteForByteWithProgressPerRead) {
    // Sizes about the largest single read.
    const std::size_t sizes[] = {
        0, 1, kStartBytes, kReadChunkBytes, kReadChunkBytes + 3, std::size_t{19} << 20};
    for (const std::size_t size : sizes) {
        const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        const std::string path = Write("file" + std::to_string(size), bytes);
        FileBytes read;
        std::string reason;
        ProgressLog progress;
        ASSERT_EQ(ReadWholeFile(path, read, reason, {}, ReadWatch{nullptr, progress.Callback()}),
                  ReadStatus::kRead)
            << size;
        ASSERT_EQ(read.Size(), size);
        EXPECT_TRUE(read.View() == bytes) << size;
        // One call per read of at most kReadChunkBytes, each with the file's size.
        const std::size_t reads = (size + kReadChunkBytes - 1) / kReadChunkBytes;
        ASSERT_EQ(progress.calls.size(), reads) << size;
        for (std::size_t i = 0; i < progress.calls.size(); ++i) {
            EXPECT_EQ(progress.calls[i].second, size);
            if (i > 0) {
                EXPECT_GT(progress.calls[i].first, progress.calls[i - 1].first);
            }
        }
        if (size > 0) {
            EXPECT_EQ(progress.calls.back().first, size);
        }
    }
}

TEST_F(FileRead, GivesTheSystemsReasonForAFolderOrAMissingFile) {
    FileBytes read;
    std::string reason;
    EXPECT_EQ(ReadWholeFile(folder_.string(), read, reason), ReadStatus::kFailed);
    EXPECT_EQ(reason, std::strerror(EISDIR));
    EXPECT_EQ(ReadWholeFile((folder_ / "gone.off").string(), read, reason), ReadStatus::kFailed);
    EXPECT_EQ(reason, std::strerror(ENOENT));
    EXPECT_TRUE(read.Empty());
}

TEST_F(FileRead, WaitsForTheWriterOfAFifoAndReadsToItsEnd) {
    const std::string fifo = Fifo("pipe.off");
    std::atomic<bool> cancel{false};
    auto reading = std::async(std::launch::async, [&] {
        FileBytes read;
        std::string reason;
        ProgressLog progress;
        const ReadStatus status =
            ReadWholeFile(fifo, read, reason, {}, ReadWatch{&cancel, progress.Callback()});
        return std::make_tuple(status, std::string(read.View()), progress);
    });
    // No writer yet: the reading waits instead of taking the FIFO for an empty file.
    EXPECT_EQ(reading.wait_for(std::chrono::milliseconds(4 * kReadPollMs)), std::future_status::timeout);
    const int writer = ::open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "OFF\n", 4), 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * kReadPollMs));
    ASSERT_EQ(::write(writer, "3 1\n", 4), 4);
    ::close(writer);
    const auto [status, text, progress] = reading.get();
    EXPECT_EQ(status, ReadStatus::kRead);
    EXPECT_EQ(text, "OFF\n3 1\n");
    // A stream has no size to tell; its progress goes on while it waits.
    ASSERT_GE(progress.calls.size(), 2u);
    EXPECT_EQ(progress.MostDone(), 8u);
    for (const auto& call : progress.calls) {
        EXPECT_EQ(call.second, 0u);
    }
}

TEST_F(FileRead, ACancelStopsAReadingThatWouldNeverEnd) {
    const std::string fifo = Fifo("endless.off");
    // A writer that keeps the FIFO open and never ends it.
    const int writer = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "OFF\n", 4), 4);
    std::atomic<bool> cancel{false};
    auto reading = std::async(std::launch::async, [&] {
        FileBytes read;
        std::string reason;
        const ReadStatus status = ReadWholeFile(fifo, read, reason, {}, ReadWatch{&cancel, nullptr});
        return std::make_pair(status, read.Size());
    });
    EXPECT_EQ(reading.wait_for(std::chrono::milliseconds(4 * kReadPollMs)), std::future_status::timeout);
    cancel.store(true);
    ASSERT_EQ(reading.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto [status, held] = reading.get();
    EXPECT_EQ(status, ReadStatus::kCancelled);
    EXPECT_EQ(held, 0u);
    ::close(writer);
}

TEST_F(FileRead, ACancelStopsARegularFileBetweenReads) {
    const std::string path = Write("large.off", std::string(std::size_t{20} << 20, '7'));
    std::atomic<bool> cancel{false};
    ProgressLog progress;
    // The cancel comes with the first bytes: nothing more is read.
    const auto cancelAtOnce = [&](std::size_t done, std::size_t total) {
        progress.calls.emplace_back(done, total);
        cancel.store(true);
    };
    FileBytes read;
    std::string reason;
    EXPECT_EQ(ReadWholeFile(path, read, reason, {}, ReadWatch{&cancel, cancelAtOnce}),
              ReadStatus::kCancelled);
    EXPECT_TRUE(read.Empty());
    ASSERT_EQ(progress.calls.size(), 1u);
    EXPECT_EQ(progress.calls[0].first, kReadChunkBytes);
    // Set beforehand, it reads nothing at all.
    progress.calls.clear();
    EXPECT_EQ(ReadWholeFile(path, read, reason, {}, ReadWatch{&cancel, progress.Callback()}),
              ReadStatus::kCancelled);
    EXPECT_TRUE(progress.calls.empty());
}

// A file of `size` bytes against a limit of `limit`.
struct LimitCase {
    const char* name;
    std::size_t size;
    std::size_t limit;
    ReadStatus status;
};

class FileReadLimit : public FileRead, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(FileReadLimit, ARegularFileIsMeasuredBeforeItIsRead) {
    const LimitCase& c = GetParam();
    const std::string path = Write("model.off", std::string(c.size, 'x'));
    ReadLimits limits;
    limits.maxBytes = c.limit;
    FileBytes read;
    std::string reason;
    ProgressLog progress;
    EXPECT_EQ(ReadWholeFile(path, read, reason, limits, ReadWatch{nullptr, progress.Callback()}), c.status);
    if (c.status == ReadStatus::kTooLarge) {
        // Refused by its size alone: not one byte was read.
        EXPECT_TRUE(progress.calls.empty());
        EXPECT_TRUE(read.Empty());
    } else {
        EXPECT_EQ(read.Size(), c.size);
    }
}

TEST_P(FileReadLimit, AStreamIsStoppedOnceItPassesTheLimit) {
    const LimitCase& c = GetParam();
    const std::string fifo = Fifo("stream");
    std::thread writer([&] {
        const int out = ::open(fifo.c_str(), O_WRONLY);
        const std::string bytes(c.size, 'x');
        std::size_t sent = 0;
        while (out >= 0 && sent < bytes.size()) {
            const ssize_t n =
                ::write(out, bytes.data() + sent, std::min<std::size_t>(bytes.size() - sent, 4096));
            if (n <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(n);
        }
        ::close(out);
    });
    ReadLimits limits;
    limits.maxBytes = c.limit;
    FileBytes read;
    std::string reason;
    ProgressLog progress;
    EXPECT_EQ(ReadWholeFile(fifo, read, reason, limits, ReadWatch{nullptr, progress.Callback()}), c.status);
    writer.join();
    if (c.status == ReadStatus::kTooLarge) {
        // It went no further than one read past the limit.
        EXPECT_LE(progress.MostDone(), c.limit);
        EXPECT_TRUE(read.Empty());
    } else {
        EXPECT_EQ(read.Size(), c.size);
    }
}

const LimitCase kLimitCases[] = {
    {"Empty", 0, 1, ReadStatus::kRead},
    {"JustWithin", 1000, 1000, ReadStatus::kRead},
    {"OneByteOver", 1001, 1000, ReadStatus::kTooLarge},
    {"LargeWithin", std::size_t{3} << 20, std::size_t{3} << 20, ReadStatus::kRead},
    {"LargeOneByteOver", (std::size_t{3} << 20) + 1, std::size_t{3} << 20, ReadStatus::kTooLarge},
    {"FarOver", std::size_t{4} << 20, 100, ReadStatus::kTooLarge},
};

INSTANTIATE_TEST_SUITE_P(Sizes, FileReadLimit, ::testing::ValuesIn(kLimitCases),
                         [](const ::testing::TestParamInfo<LimitCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FileRead, AHugeSparseFileIsRefusedByItsSizeAlone) {
    const std::string path = (folder_ / "huge.off").string();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const bool made = ::ftruncate(fd, off_t{1} << 40) == 0;
    ::close(fd);
    if (!made) {
        GTEST_SKIP() << "this file system holds no sparse file of 1 TiB";
    }
    ReadLimits limits;
    limits.maxBytes = std::size_t{1} << 30;
    FileBytes read;
    std::string reason;
    ProgressLog progress;
    EXPECT_EQ(ReadWholeFile(path, read, reason, limits, ReadWatch{nullptr, progress.Callback()}),
              ReadStatus::kTooLarge);
    EXPECT_TRUE(progress.calls.empty());
}

// What the start check sees, and whether reading stopped where it settled.
TEST_F(FileRead, ARegularFileWhoseStartCannotBeOffIsReadNoFurther) {
    const std::string bytes = kPngStart + RandomBytes(std::size_t{24} << 20, 3);
    for (const bool repair : {false, true}) {
        const std::string path = Write("picture" + std::to_string(repair) + ".off", bytes);
        OffReadOptions options;
        options.repair = repair;
        options.maxBytes = ~std::size_t{0};
        FileBytes read;
        OffError error;
        ProgressLog progress;
        EXPECT_EQ(ReadOffFile(path, options, read, error, ReadWatch{nullptr, progress.Callback()}),
                  ReadStatus::kStopped);
        EXPECT_TRUE(read.Empty());
        // Only the start was read.
        EXPECT_EQ(progress.MostDone(), kStartBytes);
        EXPECT_EQ(error.line, 1u);
        const std::string expected = repair ? "expected an OFF keyword on the first line, found \"\\x89PNG\""
                                            : "expected \"OFF\" alone on the first line, found \"\\x89PNG\"";
        EXPECT_EQ(error.reason, expected);
        // The whole reading would have refused it in the same words.
        CQuorvaneDoc doc;
        OffError whole;
        EXPECT_FALSE(doc.LoadFromText(bytes, &whole, options));
        EXPECT_EQ(whole.ToString(), error.ToString());
    }
}

TEST_F(FileRead, AStreamWhoseFirstBytesCannotBeOffIsStoppedWithoutWaitingForMore) {
    const std::string fifo = Fifo("picture.off");
    // The writer gives the first bytes of a picture and then keeps the stream open without more.
    const int writer = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, kPngStart.data(), kPngStart.size()), static_cast<ssize_t>(kPngStart.size()));
    auto reading = std::async(std::launch::async, [&] {
        FileBytes read;
        OffError error;
        const ReadStatus status = ReadOffFile(fifo, OffReadOptions{}, read, error);
        return std::make_pair(status, error);
    });
    ASSERT_EQ(reading.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto [status, error] = reading.get();
    ::close(writer);
    EXPECT_EQ(status, ReadStatus::kStopped);
    EXPECT_EQ(error.ToString(), "line 1: expected \"OFF\" alone on the first line, found \"\\x89PNG\"");
}

TEST_F(FileRead, AStreamOfGoodStartIsReadWhole) {
    // A start that is never settled: the check says go on at every look and the stream is read to
    // its end, one byte at a time.
    const std::string fifo = Fifo("model.off");
    const std::string text = "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    std::thread writer([&] {
        const int out = ::open(fifo.c_str(), O_WRONLY);
        for (const char c : text) {
            if (::write(out, &c, 1) != 1) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(out);
    });
    FileBytes read;
    OffError error;
    EXPECT_EQ(ReadOffFile(fifo, OffReadOptions{}, read, error), ReadStatus::kRead) << error.ToString();
    writer.join();
    EXPECT_EQ(read.View(), text);
}

TEST_F(FileRead, ReadOffFileNamesTheLimitAndWhereItComesFrom) {
    const std::string path = Write("model.off", "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    OffReadOptions options;
    options.maxBytes = 10;
    FileBytes read;
    OffError error;
    EXPECT_EQ(ReadOffFile(path, options, read, error), ReadStatus::kTooLarge);
    EXPECT_EQ(error.ToString(), "the file is larger than the input limit of 10 bytes");
    EXPECT_EQ(ReadOffFile((folder_ / "gone.off").string(), options, read, error), ReadStatus::kFailed);
    EXPECT_EQ(error.ToString(), std::strerror(ENOENT));
}

}  // namespace
}  // namespace quorvane
