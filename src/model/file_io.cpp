#include "model/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/huge_pages.h"

namespace quorvane {

ReadStatus ReadWholeFile(const std::string& path, std::string& text, std::string& reason,
                         const ReadLimits& limits) {
    text.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        reason = std::strerror(errno);
        return ReadStatus::kFailed;
    }
    std::size_t size = 0;
    struct stat info;
    if (::fstat(::fileno(file), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            std::fclose(file);
            reason = std::strerror(EISDIR);
            return ReadStatus::kFailed;
        }
        if (S_ISREG(info.st_mode) && info.st_size > 0) {
            size = static_cast<std::size_t>(info.st_size);
        }
    }
    if (size > limits.maxBytes) {
        std::fclose(file);
        return ReadStatus::kTooLarge;
    }
    ReadStatus status = ReadStatus::kRead;
    bool startChecked = !limits.checkStart;
    // The start is checked once kStartBytes are in; a shorter file is read whole anyway.
    const auto checkStart = [&] {
        if (!startChecked && text.size() >= kStartBytes) {
            startChecked = true;
            if (!limits.checkStart(text)) {
                status = ReadStatus::kStopped;
            }
        }
        return status == ReadStatus::kRead;
    };
    // A regular file: the start, then the rest straight into place.
    if (size > 0) {
        text.reserve(size);
        AdviseHugePages(text.data(), text.capacity());
        text.resize(size);
        const std::size_t first = std::min(size, kStartBytes);
        std::size_t got = std::fread(text.data(), 1, first, file);
        if (got == first && first < size) {
            text.resize(got);
            if (checkStart()) {
                text.resize(size);
                got += std::fread(text.data() + got, 1, size - got, file);
            }
        }
        text.resize(got);
    }
    // The file may have grown, or have no size to tell (a pipe): read on to its end.
    char chunk[1 << 16];
    std::size_t more = 0;
    while (status == ReadStatus::kRead && (more = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        if (more > limits.maxBytes - text.size()) {
            status = ReadStatus::kTooLarge;
            break;
        }
        text.append(chunk, more);
        checkStart();
    }
    const bool failed = status == ReadStatus::kRead && std::ferror(file) != 0;
    const int savedErrno = errno;
    std::fclose(file);
    if (failed) {
        reason = std::strerror(savedErrno);
        return ReadStatus::kFailed;
    }
    if (status != ReadStatus::kRead) {
        text.clear();
        text.shrink_to_fit();
    }
    return status;
}

}  // namespace quorvane
