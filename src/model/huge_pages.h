// Large arrays backed by huge pages where the system allows it: touching a fresh array of many
// megabytes otherwise costs one page fault per 4 KiB, which dominates the loading of a large
// model on many machines (virtual machines above all).
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

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

// Makes the process keep the memory it frees for its own later allocations instead of handing
// large blocks back to the system: a fresh block must be cleared by the system page by page, which
// on many machines costs more than the work done in it. For short-lived processes that read one
// large model after another (the command line); the memory use never falls below its peak. Call it
// before any other thread starts.
void KeepFreedMemoryForReuse() noexcept;

// An allocator whose value-less construction leaves the element uninitialised (default
// initialisation), so that growing a vector of plain numbers does not fill memory that is about to
// be overwritten: the fill of a fresh array of many megabytes costs as much as its first use.
template <typename T>
class DefaultInitAllocator : public std::allocator<T> {
  public:
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;

    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// A large array of plain values whose resize leaves the new elements for the caller to write
// (types with default member initialisers still get them).
template <typename T>
using LargeArray = std::vector<T, DefaultInitAllocator<T>>;

// Makes `array` hold `size` elements, every one of them to be written by the caller: its content
// afterwards is unspecified (storage that has to grow is allocated anew for exactly `size`,
// advised to huge pages before its first use, and the old content is dropped). Storage is kept
// when the array shrinks, for a later larger size.
template <typename T>
void ResizeForOverwrite(LargeArray<T>& array, std::size_t size) {
    if (size > array.capacity()) {
        LargeArray<T> fresh;
        fresh.reserve(size);
        AdviseHugePagesFor(fresh);
        array.swap(fresh);
    }
    array.resize(size);
}

// Storage of `bytes` bytes, zeroed, that is a mapping of its own: the system provides its pages
// zeroed as they are first touched (advised to huge pages), so parts never used cost nothing.
// Throws std::bad_alloc when the system refuses it. Freed with UnmapZeroedPages.
void* MapZeroedPages(std::size_t bytes);
void UnmapZeroedPages(void* data, std::size_t bytes) noexcept;

// An array of plain values whose elements start as all-zero bytes without being written (see
// MapZeroedPages), for large arrays of which a frame may use only a part.
template <typename T>
class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    ZeroedArray() = default;
    ~ZeroedArray() { UnmapZeroedPages(m_data, m_size * sizeof(T)); }
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;
    ZeroedArray(ZeroedArray&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)) {}
    ZeroedArray& operator=(ZeroedArray&& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        return *this;
    }

    // Makes the array `size` elements, every byte of them zero.
    void AssignZeroed(std::size_t size) {
        ZeroedArray fresh;
        if (size > 0) {
            fresh.m_data = static_cast<T*>(MapZeroedPages(size * sizeof(T)));
            fresh.m_size = size;
        }
        *this = std::move(fresh);
    }

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }

  private:
    T* m_data = nullptr;
    std::size_t m_size = 0;
};

}  // namespace quorvane
