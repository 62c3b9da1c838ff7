#pragma once
// An allocator for the model's large lookup tables. Scoring reads them at random, so with
// ordinary 4 KB pages nearly every feature look-up also misses the address translation
// cache; tables of a megabyte or more are placed on 2 MB boundaries and the kernel is asked
// to back them with huge pages (where it supports that; elsewhere they are ordinary memory).
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace qm::grammar {

template <typename T> class HugePageAllocator {
public:
    using value_type = T;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    // Smaller tables start on a cache line, so that a line of slots is one fetch.
    static constexpr std::size_t kCacheLine = 64;

    HugePageAllocator() = default;
    template <typename U> HugePageAllocator(const HugePageAllocator<U>&) {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kHugePage / 2)
            return static_cast<T*>(::operator new (bytes, std::align_val_t{kCacheLine}));
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* p = std::aligned_alloc(kHugePage, rounded);
        if (!p) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        ::madvise(p, rounded, MADV_HUGEPAGE); // advice only: ordinary pages if refused
#endif
        return static_cast<T*>(p);
    }

    void deallocate(T* p, std::size_t n) {
        if (n * sizeof(T) < kHugePage / 2) {
            ::operator delete (p, std::align_val_t{kCacheLine});
        } else {
            std::free(p);
        }
    }

    template <typename U> bool operator==(const HugePageAllocator<U>&) const {
        return true;
    }
};

} // namespace qm::grammar
