// Telling whether two names are one file, for the viewer's handling of files it reads and writes.
// No toolkit.
#pragma once

#include <string>

namespace quorvane {

// Whether both paths name one existing file (the same device and inode), through links or not.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace quorvane
