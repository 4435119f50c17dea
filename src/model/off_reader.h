// The OFF reader: one pass over the lines of a whole file held in memory (the binary form in
// off_binary.cpp).
#pragma once

#include <string_view>

#include "model/document.h"
#include "model/off_types.h"

namespace quorvane {

// Reads OFF text into `out`, which must be a fresh document; the distinct-edge list is left
// to the caller (BuildUniqueEdges). Returns false with `error` set
// (line and reason) when the text is refused; `out` is then unspecified.
bool ReadOffText(std::string_view text, CQuorvaneDoc& out, OffError& error,
                 const OffReadOptions& options = {}, OffRepairReport* report = nullptr);

}  // namespace quorvane
