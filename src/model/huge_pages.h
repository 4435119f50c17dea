// Large arrays backed by huge pages where the system allows it: touching a fresh array of many
// megabytes otherwise costs one page fault per 4 KiB, which dominates the loading of a large
// model on many machines (virtual machines above all).
#pragma once

#include <cstddef>

namespace quorvane {

// Asks the system to back the whole 2 MiB pages inside [data, data + bytes) with huge pages (a
// hint: nothing happens where it is not supported, or for less than 2 MiB). Call it after the
// memory is allocated and before it is first written.
void AdviseHugePages(const void* data, std::size_t bytes) noexcept;

// The same for the storage of a container reserved but not yet filled.
template <typename Container>
void AdviseHugePagesFor(const Container& container) noexcept {
    AdviseHugePages(container.data(), container.capacity() * sizeof(*container.data()));
}

}  // namespace quorvane
