// Shared helpers of the tool: verdict lines, JSON text and the ordered parallel loop.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <thread>

#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

TEST(CliCommon, RefusalHasLineOnlyWhenOneIsConcerned) {
    EXPECT_EQ(FormatRefusal("a.off", OffError{3, "blank vertex line"}), "a.off:3: blank vertex line");
    EXPECT_EQ(FormatRefusal("a.off", OffError{0, "No such file or directory"}),
              "a.off: No such file or directory");
}

TEST(CliCommon, JsonNumbersReadBackToTheSameDouble) {
    const double values[] = {
        0.1, -0.5, 1.0 / 3.0, 16.070313, 1e-300, 5e-324, 1.7976931348623157e308, -2.5e17, 123456789.123456};
    for (const double value : values) {
        std::string text;
        AppendJsonNumber(text, value);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        EXPECT_EQ(text.find_first_not_of("0123456789.-+e"), std::string::npos) << text;
    }
}

TEST(CliCommon, JsonNumbersUseTheShortestText) {
    std::string text;
    AppendJsonNumber(text, 10.0);
    text += ' ';
    AppendJsonNumber(text, 0.1);
    text += ' ';
    AppendJsonInteger(text, -2147483648LL);
    EXPECT_EQ(text, "10 0.1 -2147483648");
}

TEST(CliCommon, NonFiniteNumbersBecomeNull) {
    std::string text;
    AppendJsonVector(text, CVector3D(std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(), std::nan("")));
    EXPECT_EQ(text, "[null,null,null]");
}

struct EscapeCase {
    const char* name;
    std::string input;
    std::string expected;
};

class CliJsonString : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(CliJsonString, EscapesAsJsonRequires) {
    std::string text;
    AppendJsonString(text, GetParam().input);
    EXPECT_EQ(text, "\"" + GetParam().expected + "\"");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliJsonString,
    ::testing::Values(EscapeCase{"Plain", "model.off", "model.off"},
                      EscapeCase{"QuoteAndBackslash", "a\"b\\c", "a\\\"b\\\\c"},
                      EscapeCase{"ControlCharacters", std::string("\n\r\t\b\f\x1f\x7f", 7),
                                 "\\n\\r\\t\\b\\f\\u001f\x7f"},
                      EscapeCase{"NulByte", std::string("a\0b", 3), "a\\u0000b"},
                      EscapeCase{"ValidMultibyte", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80",
                                 "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
                      EscapeCase{"LoneContinuationByte", "a\x80z", "a\\ufffdz"},
                      EscapeCase{"TruncatedSequenceAtEnd", "a\xe2\x82", "a\\ufffd\\ufffd"},
                      EscapeCase{"OverlongSlash", "\xc0\xaf", "\\ufffd\\ufffd"},
                      EscapeCase{"Surrogate", "\xed\xa0\x80", "\\ufffd\\ufffd\\ufffd"},
                      EscapeCase{"BeyondUnicode", "\xf4\x90\x80\x80", "\\ufffd\\ufffd\\ufffd\\ufffd"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliCommon, ForEachInOrderEmitsEveryItemOnceInOrder) {
    constexpr std::size_t kCount = 500;
    std::vector<int> worked(kCount, 0);
    std::vector<std::size_t> emitted;
    std::atomic<int> running{0}, mostRunning{0};
    ForEachInOrder(
        kCount, 4,
        [&](std::size_t i) {
            const int now = ++running;
            for (int seen = mostRunning.load();
                 now > seen && !mostRunning.compare_exchange_weak(seen, now);) {
            }
            // Later items finish first now and then, so the emitter has to wait for order.
            if (i % 7 == 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            worked[i] += 1;
            --running;
        },
        [&](std::size_t i) {
            EXPECT_EQ(worked[i], 1);
            emitted.push_back(i);
        });
    ASSERT_EQ(emitted.size(), kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
        EXPECT_EQ(emitted[i], i);
    }
    EXPECT_LE(mostRunning.load(), 4);
}

TEST(CliCommon, ResolveJobsUsesTheCoresWhenAskedForNone) {
    EXPECT_EQ(ResolveJobs(3), 3u);
    EXPECT_GE(ResolveJobs(0), 1u);
}

}  // namespace
}  // namespace quorvane::cli::test
