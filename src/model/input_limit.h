// How large an input file may be: a bound derived from the memory this process may still use, so
// that an endless stream or a huge file is refused with a message instead of exhausting memory.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The default bound on the bytes of one input and where it comes from.
struct InputLimit {
    std::size_t bytes = 0;
    std::string origin;  // for messages: "an eighth of the available memory", ...
};

// A model can take about seven times the bytes of its text (a file of tiny lines: "0 0 0" is 6
// bytes and a 24-byte vertex), so one input may take an eighth of the memory still available.
inline constexpr std::size_t kMemoryPerInputByte = 8;
// Never less than this, so that small files read on a machine that reports little memory.
inline constexpr std::size_t kSmallestInputLimit = std::size_t{64} << 20;
// The environment variable that sets the bound instead (a byte count, see ParseByteCount).
inline constexpr const char* kInputLimitVariable = "QUORVANE_MAX_INPUT_BYTES";

// The bytes of memory this process may still take: the smallest of the physical memory
// available (/proc/meminfo), the room left under the control group's limit and the address-space
// and data-segment limits; nullopt when none of them can be read.
std::optional<std::size_t> AvailableMemoryBytes();

// The default bound: QUORVANE_MAX_INPUT_BYTES when it holds a byte count, otherwise an eighth of
// the available memory (at least kSmallestInputLimit; 4 GiB when the memory cannot be read).
InputLimit DefaultInputLimit();

// Reads a byte count: decimal digits, optionally followed by K, M, G or T (powers of 1024, also
// written KiB, MiB, ... or KB, MB, ...); false for anything else, zero or a count beyond size_t.
bool ParseByteCount(std::string_view text, std::size_t& bytes);

// "1.5 GiB (1610612736 bytes)", or "512 bytes" below one KiB.
std::string FormatByteCount(std::size_t bytes);

}  // namespace quorvane
