#include "model/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorvane {

bool ReadWholeFile(const std::string& path, std::string& text, std::string& reason) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    std::size_t size = 0;
    struct stat info;
    if (::fstat(::fileno(file), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            std::fclose(file);
            reason = std::strerror(EISDIR);
            return false;
        }
        if (S_ISREG(info.st_mode) && info.st_size > 0) {
            size = static_cast<std::size_t>(info.st_size);
        }
    }
    text.resize(size);
    std::size_t got = size ? std::fread(text.data(), 1, size, file) : 0;
    text.resize(got);
    // The file may have grown, or have no size to tell (a pipe): read on to its end.
    char chunk[1 << 16];
    std::size_t more;
    while ((more = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        text.append(chunk, more);
    }
    const bool failed = std::ferror(file) != 0;
    const int savedErrno = errno;
    std::fclose(file);
    if (failed) {
        reason = std::strerror(savedErrno);
        return false;
    }
    return true;
}

}  // namespace quorvane
