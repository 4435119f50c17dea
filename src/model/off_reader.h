// The OFF reader: one pass over the lines of a whole file held in memory (the binary form in
// off_binary.cpp).
#pragma once

#include <string>
#include <string_view>

#include "model/document.h"
#include "model/file_io.h"
#include "model/off_types.h"

namespace quorvane {

// Reads OFF text into `out`, which must be a fresh document; the distinct-edge list is left
// to the caller (BuildUniqueEdges). Returns false with `error` set
// (line and reason) when the text is refused; `out` is then unspecified.
// `stats` (when given) says how the text was read.
bool ReadOffText(std::string_view text, CQuorvaneDoc& out, OffError& error,
                 const OffReadOptions& options = {}, OffRepairReport* report = nullptr,
                 OffReadStats* stats = nullptr);

// Whether the first bytes of a file already decide that ReadOffText refuses it, whatever follows
// them: its first line cannot begin an OFF file. `error` is then that very refusal. Lets the
// reader of an endless or huge stream (a device, a pipe) stop at its first bytes.
bool OffStartIsRefused(std::string_view start, const OffReadOptions& options, OffError& error);

// Reads the bytes of the OFF file at `path` for ReadOffText, through ReadWholeFile: within the
// input limit (options.maxBytes, or DefaultInputLimit), stopped at its first bytes once they
// settle ReadOffText's refusal under `options`, given up and followed through `watch`. On kFailed,
// kTooLarge and kStopped `error` holds the refusal (line 0 but for a refused start); kCancelled
// leaves it alone.
ReadStatus ReadOffFile(const std::string& path, const OffReadOptions& options, FileBytes& bytes,
                       OffError& error, const ReadWatch& watch = {});

}  // namespace quorvane
