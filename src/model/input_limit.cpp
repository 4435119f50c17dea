#include "model/input_limit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <limits>

namespace quorvane {

namespace {

constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

// MemAvailable of /proc/meminfo in bytes, or kNoLimit when it cannot be read.
std::size_t PhysicalMemoryAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    unsigned long long kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") {
            return static_cast<std::size_t>(std::min<unsigned long long>(kilobytes, kNoLimit / 1024) * 1024);
        }
    }
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
    }
    return kNoLimit;
}

// The first number in a file of the cgroup file system, or kNoLimit ("max", missing).
std::size_t CgroupValue(const char* path) {
    std::ifstream in(path);
    unsigned long long value = 0;
    if (!(in >> value)) {
        return kNoLimit;
    }
    return static_cast<std::size_t>(value);
}

// The room left under the control group's memory limit (cgroup v2), or kNoLimit.
std::size_t CgroupMemoryLeft() {
    const std::size_t limit = CgroupValue("/sys/fs/cgroup/memory.max");
    if (limit == kNoLimit) {
        return kNoLimit;
    }
    const std::size_t used = CgroupValue("/sys/fs/cgroup/memory.current");
    return used == kNoLimit || used >= limit ? (used == kNoLimit ? limit : 0) : limit - used;
}

// The soft limit of a resource, or kNoLimit.
std::size_t ResourceLimit(int resource) {
    struct rlimit limit;
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kNoLimit;
    }
    return static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace

std::optional<std::size_t> AvailableMemoryBytes() {
    const std::size_t bytes = std::min({PhysicalMemoryAvailable(), CgroupMemoryLeft(),
                                        ResourceLimit(RLIMIT_AS), ResourceLimit(RLIMIT_DATA)});
    if (bytes == kNoLimit) {
        return std::nullopt;
    }
    return bytes;
}

InputLimit DefaultInputLimit() {
    InputLimit limit;
    std::string ignored;
    if (const char* value = std::getenv(kInputLimitVariable)) {
        if (ParseByteCount(value, limit.bytes)) {
            limit.origin = std::string("set by ") + kInputLimitVariable;
            return limit;
        }
        ignored = std::string("; ") + kInputLimitVariable + " is not a byte count and was ignored";
    }
    const std::optional<std::size_t> available = AvailableMemoryBytes();
    if (!available) {
        limit.bytes = std::size_t{4} << 30;
        limit.origin = "the default, since the available memory cannot be read" + ignored;
        return limit;
    }
    limit.bytes = std::max(*available / kMemoryPerInputByte, kSmallestInputLimit);
    limit.origin = "an eighth of the available memory" + ignored;
    return limit;
}

bool ParseByteCount(std::string_view text, std::size_t& bytes) {
    std::size_t i = 0;
    unsigned long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (value > (std::numeric_limits<unsigned long long>::max() - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    if (i == 0) {
        return false;
    }
    std::string_view unit = text.substr(i);
    unsigned shift = 0;
    if (!unit.empty()) {
        const std::string_view units = "KMGT";
        const std::size_t at = units.find(static_cast<char>(unit[0] & ~0x20));  // either case
        if (at == std::string_view::npos) {
            return false;
        }
        shift = 10 * static_cast<unsigned>(at + 1);
        unit.remove_prefix(1);
        if (unit != "" && unit != "B" && unit != "iB") {
            return false;
        }
    }
    if (value == 0 || value > (kNoLimit >> shift)) {
        return false;
    }
    bytes = static_cast<std::size_t>(value << shift);
    return true;
}

std::string FormatByteCount(std::size_t bytes) {
    if (bytes < 1024) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    // to_chars, not printf: the decimal point must not follow the locale.
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1).ptr;
    return std::string(text, end) + " " + kUnits[unit] + " (" + std::to_string(bytes) + " bytes)";
}

}  // namespace quorvane
