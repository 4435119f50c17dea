#include "model/huge_pages.h"

#include <sys/mman.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdint>
#include <new>

namespace quorvane {

void AdviseHugePages(const void* data, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (data != nullptr && last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

void* MapZeroedPages(std::size_t bytes) {
    void* data = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) {
        throw std::bad_alloc();
    }
    AdviseHugePages(data, bytes);
    return data;
}

void UnmapZeroedPages(void* data, std::size_t bytes) noexcept {
    if (data != nullptr) {
        ::munmap(data, bytes);
    }
}

void KeepFreedMemoryForReuse() noexcept {
#ifdef __GLIBC__
    // Large blocks come from the heap rather than from mappings of their own, and the heap's free
    // top is not given back, so freed blocks serve the next ones.
    ::mallopt(M_MMAP_MAX, 0);
    ::mallopt(M_TRIM_THRESHOLD, -1);
#endif
}

}  // namespace quorvane
