// Running out of memory while a model is read or written is a refusal with its reason, never an
// exception, and a refused load keeps the current model. The test program's global operator new
// is replaced so that large allocations can be made to fail on purpose.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "model/document.h"
#include "support/child_process.h"
#include "support/documents.h"
#include "support/test_files.h"

namespace {

// Allocations of at least this many bytes fail while a FailLargeAllocations is alive.
std::atomic<std::size_t> g_failFrom{~std::size_t{0}};

}  // namespace

void* operator new(std::size_t size) {
    if (size >= g_failFrom.load(std::memory_order_relaxed)) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

// Not inlined: gcc 12 would otherwise see the free() inside and warn that memory from operator new
// is given to free (-Wmismatched-new-delete), though both sides are replaced here.
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}

[[gnu::noinline]] void operator delete(void* p, std::size_t /*size*/) noexcept {
    std::free(p);
}

namespace quorvane {
namespace {

constexpr std::size_t kLimit = std::size_t{1} << 20;
constexpr std::size_t kNeverParallel = ~std::size_t{0};

// Makes every allocation of kLimit bytes or more fail for the lifetime of the object.
class FailLargeAllocations {
  public:
    FailLargeAllocations() { g_failFrom.store(kLimit); }
    ~FailLargeAllocations() { g_failFrom.store(~std::size_t{0}); }
    FailLargeAllocations(const FailLargeAllocations&) = delete;
    FailLargeAllocations& operator=(const FailLargeAllocations&) = delete;
};

// A well-formed model whose vertex array alone needs several times kLimit bytes.
std::string LargeModelText() {
    constexpr int kVertices = 200000;
    std::string text = "OFF\n" + std::to_string(kVertices) + " 1\n";
    for (int i = 0; i < kVertices; ++i) {
        text += "0 0 0\n";
    }
    return text + "3 0 1 2\n";
}

const char* kTriangle = "OFF\n3 1\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";

TEST(OutOfMemory, LoadingTextIsRefusedAndKeepsTheModel) {
    const std::string text = LargeModelText();
    for (const std::size_t parallelFrom : {kNeverParallel, std::size_t{0}}) {
        for (const bool repair : {false, true}) {
            CQuorvaneDoc doc;
            ASSERT_TRUE(doc.LoadFromText(kTriangle));
            OffError error;
            OffRepairReport report;
            bool loaded;
            {
                FailLargeAllocations failing;
                loaded = doc.LoadFromText(text, &error, OffReadOptions{repair, parallelFrom}, &report);
            }
            EXPECT_FALSE(loaded) << "parallelFrom=" << parallelFrom << " repair=" << repair;
            EXPECT_EQ(error.line, 0u);
            EXPECT_EQ(error.reason.rfind("not enough memory", 0), 0u) << error.reason;
            EXPECT_EQ(doc.m_nVertices, 3);
            EXPECT_TRUE(testing::IsConsistent(doc));
            // With memory back, the same text loads.
            ASSERT_TRUE(doc.LoadFromText(text, &error, OffReadOptions{repair, parallelFrom}));
            EXPECT_EQ(doc.m_nVertices, 200000);
        }
    }
}

TEST(OutOfMemory, LoadingAFileIsRefused) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quorvane_oom_" + std::to_string(::getpid()) + ".off");
    {
        std::ofstream out(path, std::ios::binary);
        out << LargeModelText();
    }
    CQuorvaneDoc doc;
    OffError error;
    bool loaded;
    {
        FailLargeAllocations failing;
        loaded = doc.LoadFromFile(path.string(), &error);
    }
    std::filesystem::remove(path);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(error.line, 0u);
    EXPECT_EQ(error.reason, "not enough memory to read the file");
    EXPECT_EQ(doc.m_nVertices, 0);
}

TEST(OutOfMemory, SavingIsRefusedAndLeavesNoFile) {
    CQuorvaneDoc doc;
    ASSERT_TRUE(doc.LoadFromText(LargeModelText()));
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quorvane_oom_save_" + std::to_string(::getpid()) + ".off");
    std::string text;
    std::string textError;
    std::string fileError;
    bool toText;
    bool toFile;
    {
        FailLargeAllocations failing;
        toText = doc.SaveToText(text, &textError);
        toFile = doc.SaveToFile(path.string(), &fileError);
    }
    EXPECT_FALSE(toText);
    EXPECT_EQ(textError, "not enough memory to write the file");
    EXPECT_FALSE(toFile);
    EXPECT_EQ(fileError, "not enough memory to write the file");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quorvane
