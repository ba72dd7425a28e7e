// The thread's pool of work blocks and the allocators that draw on it (work_array.cpp).
#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <vector>

namespace specest {

namespace work_pool {
// Blocks of work arrays that ended wait for the thread's next arrays of the same size, so a
// run does not map, fault in and give back the same pages as the one before it. Bounded per
// thread (see work_array.cpp); every array is still zeroed when it is made.
void* take(std::size_t bytes);
void give(void* p, std::size_t bytes) noexcept;
// Bytes the calling thread keeps for later arrays (for tests).
std::size_t kept_bytes();
// The same for text buffers (the report's, the input files'): an empty string that keeps the
// capacity of one given back earlier on this thread, if any.
std::string take_text();
void give_text(std::string&& s) noexcept;
} // namespace work_pool

template <class T> struct WorkAllocator {
    using value_type = T;
    WorkAllocator() = default;
    template <class U> WorkAllocator(const WorkAllocator<U>&) {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(work_pool::take(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { work_pool::give(p, n * sizeof(T)); }
    template <class U> bool operator==(const WorkAllocator<U>&) const { return true; }
};

template <class T> using WorkVector = std::vector<T, WorkAllocator<T>>;

// The same blocks, left as they are: for a routine that writes every element it reads.
template <class T> struct UnsetWorkAllocator : WorkAllocator<T> {
    template <class U> struct rebind { using other = UnsetWorkAllocator<U>; };
    UnsetWorkAllocator() = default;
    template <class U> UnsetWorkAllocator(const UnsetWorkAllocator<U>&) {}
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
};

template <class T> using UnsetWorkVector = std::vector<T, UnsetWorkAllocator<T>>;

} // namespace specest
