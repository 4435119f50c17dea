#include "support/documents.h"

#include "support/test_files.h"

namespace quorvane::testing {

std::unique_ptr<CQuorvaneDoc> DocumentFromText(std::string_view text) {
    auto doc = std::make_unique<CQuorvaneDoc>();
    OffError error;
    EXPECT_TRUE(doc->LoadFromText(text, &error)) << error.ToString();
    return doc;
}

std::unique_ptr<CQuorvaneDoc> DocumentFromFile(const std::string& name) {
    auto doc = std::make_unique<CQuorvaneDoc>();
    OffError error;
    EXPECT_TRUE(doc->LoadFromFile(TestModel(name), &error)) << error.ToString();
    return doc;
}

std::vector<std::vector<int>> PolygonsOf(const CQuorvaneDoc& doc) {
    std::vector<std::vector<int>> out;
    for (int j = 0; j < doc.m_polygons.GetSize(); ++j) {
        out.emplace_back(doc.m_polygons[j].begin(), doc.m_polygons[j].end());
    }
    return out;
}

::testing::AssertionResult IsConsistent(const CQuorvaneDoc& doc) {
    std::string why;
    if (doc.CheckConsistency(&why)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "inconsistent document: " << why;
}

}  // namespace quorvane::testing
