// The input limit: byte counts, the default derived from the memory, files and streams larger than
// the limit refused with a message, and streams whose first bytes already settle a refusal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "model/document.h"
#include "model/input_limit.h"
#include "model/off_reader.h"
#include "support/child_process.h"
#include "support/documents.h"
#include "support/test_files.h"

namespace quorvane {
namespace {

TEST(InputLimit, ByteCountsReadWithTheirUnits) {
    const struct {
        const char* text;
        std::size_t bytes;
    } good[] = {
        {"1", 1},
        {"512", 512},
        {"4K", 4096},
        {"4k", 4096},
        {"4KiB", 4096},
        {"4KB", 4096},
        {"3M", std::size_t{3} << 20},
        {"2G", std::size_t{2} << 30},
        {"1T", std::size_t{1} << 40},
    };
    for (const auto& c : good) {
        std::size_t bytes = 0;
        EXPECT_TRUE(ParseByteCount(c.text, bytes)) << c.text;
        EXPECT_EQ(bytes, c.bytes) << c.text;
    }
    for (const char* text :
         {"", "0", "K", "-1", "1.5G", "1 K", "1X", "1Kb", "1KiBB", "99999999999999999999", "16777216T"}) {
        std::size_t bytes = 7;
        EXPECT_FALSE(ParseByteCount(text, bytes)) << text;
        EXPECT_EQ(bytes, 7u) << text;
    }
}

TEST(InputLimit, ByteCountsAreShownWithTheirExactValue) {
    EXPECT_EQ(FormatByteCount(1), "1 byte");
    EXPECT_EQ(FormatByteCount(1000), "1000 bytes");
    EXPECT_EQ(FormatByteCount(1536), "1.5 KiB (1536 bytes)");
    EXPECT_EQ(FormatByteCount(std::size_t{3} << 30), "3.0 GiB (3221225472 bytes)");
}

// Sets an environment variable for the lifetime of the object.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
            m_had = true;
        }
        ::setenv(name, value, 1);
    }
    ~ScopedVariable() {
        if (m_had) {
            ::setenv(m_name, m_old.c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

TEST(InputLimit, DefaultIsAnEighthOfTheMemoryUnlessTheVariableSetsIt) {
    ::unsetenv(kInputLimitVariable);
    const InputLimit fromMemory = DefaultInputLimit();
    const std::optional<std::size_t> available = AvailableMemoryBytes();
    ASSERT_TRUE(available.has_value()) << "this machine reports its memory";
    EXPECT_GE(fromMemory.bytes, kSmallestInputLimit);
    EXPECT_LE(fromMemory.bytes,
              std::max(*available / kMemoryPerInputByte, kSmallestInputLimit) + (64u << 20));
    EXPECT_EQ(fromMemory.origin, "an eighth of the available memory");
    {
        ScopedVariable set(kInputLimitVariable, "5M");
        const InputLimit limit = DefaultInputLimit();
        EXPECT_EQ(limit.bytes, std::size_t{5} << 20);
        EXPECT_EQ(limit.origin, "set by QUORVANE_MAX_INPUT_BYTES");
    }
    {
        ScopedVariable set(kInputLimitVariable, "lots");
        const InputLimit limit = DefaultInputLimit();
        EXPECT_GE(limit.bytes, kSmallestInputLimit);
        EXPECT_NE(limit.origin.find("is not a byte count and was ignored"), std::string::npos)
            << limit.origin;
    }
}

class InputLimitFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("quorvane_limit_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(InputLimitFiles, ALargerFileIsRefusedWithTheLimitAndTheModelKept) {
    const std::string path = (folder_ / "teapot.off").string();
    std::filesystem::copy_file(testing::TestModel("teapot.off"), path);
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText("OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"));
    OffReadOptions options;
    options.maxBytes = 1000;
    OffError error;
    EXPECT_FALSE(doc.LoadFromFile(path, &error, options));
    EXPECT_EQ(error.ToString(), "the file is larger than the input limit of 1000 bytes");
    EXPECT_EQ(doc.m_nVertices, 3);
    options.maxBytes = std::filesystem::file_size(path);
    EXPECT_TRUE(doc.LoadFromFile(path, &error, options)) << error.ToString();
    EXPECT_EQ(doc.m_nVertices, 792);
}

TEST_F(InputLimitFiles, TheDefaultLimitNamesWhereItComesFrom) {
    const std::string path = (folder_ / "teapot.off").string();
    std::filesystem::copy_file(testing::TestModel("teapot.off"), path);
    ScopedVariable set(kInputLimitVariable, "2K");
    CQuorvaneDoc doc;
    OffError error;
    EXPECT_FALSE(doc.LoadFromFile(path, &error));
    EXPECT_EQ(
        error.reason,
        "the file is larger than the input limit of 2.0 KiB (2048 bytes), set by QUORVANE_MAX_INPUT_BYTES");
}

// Writes `head` and then `line` over and over into the FIFO at `path` until the reader goes away.
void FeedFifo(const std::string& path, const std::string& head, const std::string& line) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        return;
    }
    std::string block;
    while (block.size() < 65536) {
        block += line;
    }
    bool ok = std::fwrite(head.data(), 1, head.size(), out) == head.size();
    while (ok) {
        ok = std::fwrite(block.data(), 1, block.size(), out) == block.size() && std::fflush(out) == 0;
    }
    std::fclose(out);
}

TEST_F(InputLimitFiles, AnEndlessStreamIsRefusedAtTheLimit) {
    // The reader closes the FIFO early; the writer must see an error, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string path = (folder_ / "endless").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::thread writer(FeedFifo, path, "OFF\n2000000000 1\n", "0.5 0.25 0.125\n");
    CQuorvaneDoc doc;
    OffReadOptions options;
    options.maxBytes = std::size_t{3} << 20;
    OffError error;
    const bool loaded = doc.LoadFromFile(path, &error, options);
    writer.join();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(error.ToString(), "the file is larger than the input limit of 3.0 MiB (3145728 bytes)");
}

TEST_F(InputLimitFiles, AStreamThatCannotBeOffIsRefusedAtItsFirstBytes) {
    std::signal(SIGPIPE, SIG_IGN);
    // No limit to speak of: only the first bytes stop the reading.
    OffReadOptions options;
    options.maxBytes = ~std::size_t{0};
    for (const bool repair : {false, true}) {
        options.repair = repair;
        const std::string path = (folder_ / ("zeros" + std::to_string(repair))).string();
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        std::thread writer(FeedFifo, path, "", std::string(1, '\0'));
        CQuorvaneDoc doc;
        OffError error;
        const bool loaded = doc.LoadFromFile(path, &error, options);
        writer.join();
        EXPECT_FALSE(loaded);
        EXPECT_EQ(error.line, 1u);
        const std::string expected = repair ? "expected an OFF keyword on the first line, found \""
                                            : "expected \"OFF\" alone on the first line, found \"";
        EXPECT_EQ(error.reason.rfind(expected + "\\x00\\x00", 0), 0u) << error.reason;
    }
    // A counts line that is refused, followed by endless vertices.
    const std::string path = (folder_ / "counts").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::thread writer(FeedFifo, path, "OFF\n-5 1\n", "0 0 0\n");
    CQuorvaneDoc doc;
    OffError error;
    options.repair = false;
    const bool loaded = doc.LoadFromFile(path, &error, options);
    writer.join();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(error.ToString(), "line 2: the vertex count must be positive, found \"-5\"");
}

TEST(InputLimit, DevZeroIsRefusedAtOnce) {
    CQuorvaneDoc doc;
    OffError error;
    EXPECT_FALSE(doc.LoadFromFile("/dev/zero", &error));
    EXPECT_EQ(error.line, 1u);
}

// A random OFF-like text, often broken in its first lines.
std::string RandomStart(std::mt19937& rng) {
    static const char* const pieces[] = {
        "OFF",      "off",  "COFF", "3 1",       "-2 1",      "3 0",     "0 0 0",           "1 0 0",
        "3 0 1 2",  "#c",   "",     " ",         "\t",        "OFF 3 1", "\xEF\xBB\xBFOFF", "x",
        "\x01\x02", "NOFF", "4OFF", "1e999 0 0", "OFF BINARY"};
    static const char* const ends[] = {"\n", "\r\n", "\r", "\r\r\n", "\r\r"};
    std::string text;
    const int lines = static_cast<int>(rng() % 9);
    for (int i = 0; i < lines; ++i) {
        text += pieces[rng() % std::size(pieces)];
        text += ends[rng() % std::size(ends)];
    }
    if (rng() % 4 == 0) {
        text += std::string(rng() % 80, static_cast<char>("a\0#9"[rng() % 4]));
    }
    return text;
}

TEST(OffStart, ASettledStartIsTheRefusalOfTheWholeText) {
    std::mt19937 rng(99);
    int settled = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::string text = RandomStart(rng);
        for (const bool repair : {false, true}) {
            OffReadOptions options;
            options.repair = repair;
            CQuorvaneDoc doc;
            OffError whole;
            const bool ok = doc.LoadFromText(text, &whole, options);
            for (std::size_t n = 0; n <= text.size(); ++n) {
                OffError early;
                if (OffStartIsRefused(std::string_view(text).substr(0, n), options, early)) {
                    ++settled;
                    ASSERT_FALSE(ok) << ::testing::PrintToString(text) << " n=" << n;
                    ASSERT_EQ(early.line, whole.line) << ::testing::PrintToString(text) << " n=" << n;
                    ASSERT_EQ(early.reason, whole.reason) << ::testing::PrintToString(text) << " n=" << n;
                }
            }
        }
    }
    EXPECT_GT(settled, 1000);
}

TEST(OffStart, WhatTheFirstBytesSettle) {
    const struct {
        const char* name;
        std::string start;
        bool repair;
        bool settled;
    } cases[] = {
        {"a good start", "OFF\n3 1\n0 0", false, false},
        {"a keyword still being written", "OF", false, false},
        {"a long first line", std::string(41, 'x'), false, true},
        {"a short first line with no end yet", std::string(40, 'x'), false, false},
        {"a wrong keyword line", "PLY\n", false, true},
        {"OFF then CR: CR LF or CR CR LF still open", "OFF\r", false, false},
        {"a refused counts line", "OFF\n0 1\n", false, true},
        {"a counts line still open", "OFF\n0 1", false, false},
        {"a comment first, repairing", "# x\n", true, false},
        {"a bad first byte, repairing", "\x01rest of it that is long enough to be quoted", true, true},
        {"a keyword start, repairing", "Qwerty\n", true, true},
        {"a digit first, repairing", "3 1\n", true, false},
    };
    for (const auto& c : cases) {
        OffReadOptions options;
        options.repair = c.repair;
        OffError error;
        EXPECT_EQ(OffStartIsRefused(c.start, options, error), c.settled)
            << c.name << ": " << error.ToString();
    }
}

}  // namespace
}  // namespace quorvane
