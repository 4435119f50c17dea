// A file descriptor owned by a scope, shared by the model's reading and saving of files.
#pragma once

#include <unistd.h>

namespace quorvane {

// An open file descriptor, closed at the end of its scope unless closed before.
struct OpenFile {
    int fd;

    explicit OpenFile(int opened) : fd(opened) {}
    ~OpenFile() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // Closes the descriptor now: 0, or -1 with errno.
    int Close() {
        const int result = ::close(fd);
        fd = -1;
        return result;
    }
};

}  // namespace quorvane
