#include "model/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorvane {

namespace {

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes all bytes to a descriptor, retrying short writes.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

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

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
    const std::string base =
        path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    std::string temp = FolderOf(path) + "/." + base + ".tmp-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (error) {
            *error = "cannot create a file in " + FolderOf(path) + ": " + std::strerror(errno);
        }
        return false;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat existing;
    mode_t mode;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        if (error) {
            *error = std::strerror(savedErrno);
        }
        return false;
    }
    return true;
}

}  // namespace quorvane
