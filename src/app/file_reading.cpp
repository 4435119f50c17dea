#include "app/file_reading.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "model/huge_pages.h"

namespace quorvane {

namespace {

// The most one read() asks for, so that a cancel is seen within a bounded amount of work.
constexpr std::size_t kChunk = std::size_t{8} << 20;

// Closes the descriptor however the read ends.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

  private:
    int m_fd;
};

// The read itself; running out of memory throws out of it.
ReadStatus ReadInChunks(const std::string& path, std::string& text, std::string& reason,
                        const std::atomic<bool>& cancel) {
    text.clear();
    // Without O_NONBLOCK, opening a FIFO would wait for a writer where no cancel can reach it.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        reason = std::strerror(errno);
        return ReadStatus::kFailed;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        reason = std::strerror(errno);
        return ReadStatus::kFailed;
    }
    if (S_ISDIR(info.st_mode)) {
        reason = std::strerror(EISDIR);
        return ReadStatus::kFailed;
    }
    // A regular file is read into a buffer of its size; one byte more tells at once whether it grew.
    // Huge pages spare the system one page fault per 4 KiB of a large file.
    std::size_t got = 0;
    const std::size_t initial = S_ISREG(info.st_mode) && info.st_size > 0
                                    ? static_cast<std::size_t>(info.st_size) + 1
                                    : std::size_t{1} << 16;
    text.reserve(initial);
    AdviseHugePages(text.data(), text.capacity());
    text.resize(initial);
    for (;;) {
        if (cancel.load(std::memory_order_relaxed)) {
            text.clear();
            return ReadStatus::kCancelled;
        }
        if (got == text.size()) {
            text.resize(text.size() + std::max(text.size() / 2, std::size_t{1} << 16));
        }
        pollfd wait{file.Get(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, kReadPollMs);
        if (ready < 0 && errno != EINTR) {
            reason = std::strerror(errno);
            text.clear();
            return ReadStatus::kFailed;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t n = ::read(file.Get(), text.data() + got, std::min(text.size() - got, kChunk));
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            reason = std::strerror(errno);
            text.clear();
            return ReadStatus::kFailed;
        }
    }
    text.resize(got);
    return ReadStatus::kRead;
}

}  // namespace

ReadStatus ReadFileUnlessCancelled(const std::string& path, std::string& text, std::string& reason,
                                   const std::atomic<bool>& cancel) {
    try {
        return ReadInChunks(path, text, reason, cancel);
    } catch (const std::bad_alloc&) {
        // Running out of memory (a huge file, an endless device) is a refusal like any other.
        text = std::string();
        reason = "not enough memory to read the file";
        return ReadStatus::kFailed;
    } catch (const std::length_error&) {
        text = std::string();
        reason = "the file is too large to be read";
        return ReadStatus::kFailed;
    }
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace quorvane
