// Whole files in and out: reading a file into memory, and replacing one without leaving it half
// written.
#pragma once

#include <string>

namespace quorvane {

// Reads a whole file into `text`; false with the system's reason in `reason`. A folder is refused;
// a file that grows while it is read, or has no size to tell (a pipe), is read to its end.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& reason);

// Replaces the file at `path` with `bytes` without ever leaving it half written: a temporary
// file in the same folder is written, flushed to disk and renamed over the target. On failure
// the target is untouched and `error` holds the system's reason.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace quorvane
