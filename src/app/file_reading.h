// Reading a whole file in a way that can be given up: the viewer reads on a worker thread, and a
// read of a pipe, a device or a huge file must stop when the user cancels or closes the window.
// No toolkit.
#pragma once

#include <atomic>
#include <string>

namespace quorvane {

enum class ReadStatus { kRead, kFailed, kCancelled };

// How long one wait for more data lasts before `cancel` is looked at again, in milliseconds.
inline constexpr int kReadPollMs = 50;

// Reads the file at `path` whole into `text`. Between chunks, and at least every kReadPollMs while
// a pipe or device has nothing to give, `cancel` is looked at; once it is set the read stops with
// kCancelled. A FIFO without a writer is waited for in the same way. kFailed leaves the system's
// reason in `reason`.
ReadStatus ReadFileUnlessCancelled(const std::string& path, std::string& text, std::string& reason,
                                   const std::atomic<bool>& cancel);

// Whether both paths name one existing file (the same device and inode), through links or not.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace quorvane
