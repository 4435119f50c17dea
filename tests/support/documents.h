// Documents for the tests: loading from text or a bundled model with the reason in the failure,
// a model's polygons as plain lists, and the consistency of a loaded model as an assertion.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/document.h"

namespace quorvane::testing {

// A document read strictly from OFF text; a refusal fails the running test with its reason.
std::unique_ptr<CQuorvaneDoc> DocumentFromText(std::string_view text);

// A document read strictly from a bundled test model; a refusal fails the running test.
std::unique_ptr<CQuorvaneDoc> DocumentFromFile(const std::string& name);

// Every polygon's indices, in order.
std::vector<std::vector<int>> PolygonsOf(const CQuorvaneDoc& doc);

// Success when the document passes its own consistency check, else the check's reason.
::testing::AssertionResult IsConsistent(const CQuorvaneDoc& doc);

}  // namespace quorvane::testing
