#include "model/file_io.h"

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
#include "model/open_file.h"

namespace quorvane {

FileBytes::FileBytes(FileBytes&& other) noexcept
    : m_data(std::move(other.m_data)), m_size(other.m_size), m_capacity(other.m_capacity) {
    other.m_size = 0;
    other.m_capacity = 0;
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    m_data = std::move(other.m_data);
    m_size = other.m_size;
    m_capacity = other.m_capacity;
    other.m_size = 0;
    other.m_capacity = 0;
    return *this;
}

void FileBytes::Clear() noexcept {
    m_data.reset();
    m_size = 0;
    m_capacity = 0;
}

void FileBytes::Reserve(std::size_t capacity) {
    if (capacity <= m_capacity) {
        return;
    }
    // new char[] leaves the bytes as they are: no page is touched before the read fills it.
    std::unique_ptr<char[]> data(new char[capacity]);
    AdviseHugePages(data.get(), capacity);
    if (m_size > 0) {
        std::memcpy(data.get(), m_data.get(), m_size);
    }
    m_data = std::move(data);
    m_capacity = capacity;
}

namespace {

// The first buffer of a stream, which has no size to tell.
constexpr std::size_t kFirstStreamBuffer = std::size_t{64} << 10;

// `a + b`, or the largest size where that overflows.
std::size_t SaturatingAdd(std::size_t a, std::size_t b) {
    return a > std::numeric_limits<std::size_t>::max() - b ? std::numeric_limits<std::size_t>::max() : a + b;
}

// The reading itself; running out of memory throws out of it.
ReadStatus ReadInChunks(const std::string& path, FileBytes& bytes, std::string& reason,
                        const ReadLimits& limits, const ReadWatch& watch) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer where no cancel can reach it.
    const OpenFile file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0) {
        reason = std::strerror(errno);
        return ReadStatus::kFailed;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        reason = std::strerror(errno);
        return ReadStatus::kFailed;
    }
    if (S_ISDIR(info.st_mode)) {
        reason = std::strerror(EISDIR);
        return ReadStatus::kFailed;
    }
    const bool regular = S_ISREG(info.st_mode);
    const std::size_t size = regular && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    if (size > limits.maxBytes) {
        return ReadStatus::kTooLarge;
    }
    // One byte beyond the limit is enough to tell that a stream passes it.
    const std::size_t largest = SaturatingAdd(limits.maxBytes, 1);
    // A regular file gets a buffer of its size and one byte more, which tells at once whether it grew.
    bytes.Reserve(regular && size > 0 ? std::min(size + 1, largest) : std::min(kFirstStreamBuffer, largest));

    bool startSettled = !limits.checkStart;
    std::size_t startLooked = 0;  // the bytes in at the last look at the start
    // Looks at the start; false when it says to stop.
    const auto startPasses = [&] {
        startLooked = bytes.Size();
        if (bytes.Size() >= kStartBytes) {
            startSettled = true;
        }
        return limits.checkStart(bytes.View().substr(0, kStartBytes));
    };
    for (;;) {
        if (watch.cancel != nullptr && watch.cancel->load(std::memory_order_relaxed)) {
            return ReadStatus::kCancelled;
        }
        if (bytes.Size() == bytes.Capacity()) {
            if (bytes.Capacity() >= largest) {
                return ReadStatus::kTooLarge;
            }
            bytes.Reserve(
                std::min(SaturatingAdd(bytes.Capacity(), std::max(bytes.Capacity() / 2, kFirstStreamBuffer)),
                         largest));
        }
        if (!regular) {
            pollfd wait{file.fd, POLLIN, 0};
            const int ready = ::poll(&wait, 1, kReadPollMs);
            if (ready < 0 && errno != EINTR) {
                reason = std::strerror(errno);
                return ReadStatus::kFailed;
            }
            if (ready <= 0) {
                if (watch.progress) {
                    watch.progress(bytes.Size(), size);
                }
                // Nothing more for now: what has come may already settle the start.
                if (!startSettled && bytes.Size() > startLooked && !startPasses()) {
                    return ReadStatus::kStopped;
                }
                continue;
            }
        }
        std::size_t want = std::min(bytes.Capacity() - bytes.Size(), kReadChunkBytes);
        if (!startSettled && bytes.Size() < kStartBytes) {
            // The start is looked at before the rest of the file is read.
            want = std::min(want, kStartBytes - bytes.Size());
        }
        const ssize_t n = ::read(file.fd, bytes.End(), want);
        if (n == 0) {
            return ReadStatus::kRead;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            reason = std::strerror(errno);
            return ReadStatus::kFailed;
        }
        bytes.Commit(static_cast<std::size_t>(n));
        if (bytes.Size() > limits.maxBytes) {
            return ReadStatus::kTooLarge;
        }
        if (watch.progress) {
            watch.progress(bytes.Size(), size);
        }
        // A regular file is looked at once its first kStartBytes are in (a shorter one is read
        // whole anyway); a stream also each time its bytes have doubled, so that a refused start
        // stops it early at a cost linear in the bytes looked at.
        if (!startSettled && (bytes.Size() >= kStartBytes || (!regular && bytes.Size() >= 2 * startLooked)) &&
            !startPasses()) {
            return ReadStatus::kStopped;
        }
    }
}

}  // namespace

ReadStatus ReadWholeFile(const std::string& path, FileBytes& bytes, std::string& reason,
                         const ReadLimits& limits, const ReadWatch& watch) {
    bytes.Clear();
    ReadStatus status = ReadStatus::kFailed;
    try {
        status = ReadInChunks(path, bytes, reason, limits, watch);
    } catch (const std::bad_alloc&) {
        // Running out of memory (a huge file, an endless device) is a refusal like any other.
        reason = "not enough memory to read the file";
        status = ReadStatus::kFailed;
    } catch (const std::length_error&) {
        reason = "not enough memory to read the file";
        status = ReadStatus::kFailed;
    }
    if (status != ReadStatus::kRead) {
        bytes.Clear();
    }
    return status;
}

}  // namespace quorvane
