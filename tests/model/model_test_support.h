// Shared pieces of the model tests: a model's polygons as plain lists, whole-file reading, and
// the consistency of a loaded model as a test assertion.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/document.h"

namespace quorvane::testing {

// Every polygon's indices, in order.
inline std::vector<std::vector<int>> PolygonsOf(const CQuorvaneDoc& doc) {
    std::vector<std::vector<int>> out;
    for (int j = 0; j < doc.m_polygons.GetSize(); ++j) {
        out.emplace_back(doc.m_polygons[j].begin(), doc.m_polygons[j].end());
    }
    return out;
}

// Success when the document passes its own consistency check, else the check's reason.
inline ::testing::AssertionResult IsConsistent(const CQuorvaneDoc& doc) {
    std::string why;
    if (doc.CheckConsistency(&why)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "inconsistent document: " << why;
}

// The bytes of a file.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The path of a bundled test model.
inline std::string TestModel(const std::string& name) {
    return std::string(QUORVANE_TEST_DATA) + "/" + name;
}

}  // namespace quorvane::testing
