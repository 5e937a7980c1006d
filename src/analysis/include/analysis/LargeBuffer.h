#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

#include <sys/mman.h>

namespace corvane::analysis {

// An uninitialised array for the transforms' long buffers, placed on 2 MiB
// boundaries and offered to the kernel for huge pages: a transform sweeps
// the whole buffer many times, and with 4 KiB pages the first touch of each
// page and the page-table walks cost about as much as the arithmetic.
template <typename T>
class LargeBuffer {
public:
    explicit LargeBuffer(std::size_t count)
    {
        constexpr std::size_t kHuge = std::size_t{2} << 20;
        const std::size_t bytes = (std::max<std::size_t>(count * sizeof(T), 1) + kHuge - 1) / kHuge * kHuge;
        void* p = std::aligned_alloc(kHuge, bytes);
        if (p == nullptr)
            throw std::bad_alloc();
        // Only advice: without huge pages the buffer works the same.
        madvise(p, bytes, MADV_HUGEPAGE);
        data.reset(static_cast<T*>(p));
        size = count;
    }

    T* get() const { return data.get(); }
    T& operator[](std::size_t i) const { return data.get()[i]; }
    std::size_t count() const { return size; }

private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T, Free> data;
    std::size_t size = 0;
};

} // namespace corvane::analysis
