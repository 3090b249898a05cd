// An allocator for the buffers that grow with the archive (the paths, the record of a
// million files): large ones are mapped from the kernel and given back to it whole when
// they go. Through malloc, freeing one of tens of MB raises glibc's threshold for mapping
// to its size, and every buffer freed after it stays in the process, so a pass would hold
// the peak of all that came before it.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace sevenzip32 {

template <typename T>
class PageAllocator {
  public:
    using value_type = T;

    PageAllocator() = default;
    template <typename U>
    PageAllocator(const PageAllocator<U>&) noexcept {}  // NOLINT: converts like std::allocator

    T* allocate(size_t count) {
        const size_t bytes = count * sizeof(T);
        if (count > SIZE_MAX / sizeof(T)) {
            throw std::bad_alloc();
        }
        void* memory = bytes < kMappedFrom ? std::malloc(bytes)
                                           : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == nullptr || memory == MAP_FAILED) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, size_t count) noexcept {
        const size_t bytes = count * sizeof(T);
        if (bytes < kMappedFrom) {
            std::free(memory);
        } else {
            ::munmap(memory, bytes);
        }
    }

    template <typename U>
    bool operator==(const PageAllocator<U>&) const noexcept {
        return true;
    }

  private:
    static constexpr size_t kMappedFrom = 1 << 20;
};

}  // namespace sevenzip32
