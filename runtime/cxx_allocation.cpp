// The C++ library's allocations (operator new and delete in all their forms)
// for the programs that link this: a failed allocation ends in the runtime's
// allocation error with its size (raise_allocation_failure), as a failed
// checked allocation does, instead of a std::bad_alloc that nothing catches
// and std::terminate. Where a caller opened an AllocationFailureThrows it
// throws std::bad_alloc for that caller. The nothrow forms return null. The
// library's containers asked for more than they can hold end the same way
// (their throw helpers, below), as the largest request.
// Blocks come from malloc; an over-aligned one carries its malloc block's
// address in the word before it.
#include <cstdint>
#include <cstdlib>
#include <new>

#include "runtime/allocation_faults.h"
#include "runtime/allocator.h"

namespace {

void* allocate(std::size_t size) noexcept {
    if (vantor::allocation_faults::take(size))
        return nullptr;
    return std::malloc(size ? size : 1);
}

void* allocate_aligned(std::size_t size, std::align_val_t alignment) noexcept {
    const auto align = std::size_t(alignment);
    const std::size_t extra = align - 1 + sizeof(void*);
    if (size > SIZE_MAX - extra)
        return nullptr;
    void* block = allocate(size + extra);
    if (!block)
        return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(block) + sizeof(void*);
    auto* aligned = reinterpret_cast<void**>((start + align - 1) & ~uintptr_t(align - 1));
    aligned[-1] = block;
    return aligned;
}

void release_aligned(void* p) noexcept {
    if (p)
        std::free(static_cast<void**>(p)[-1]);
}

void* checked(void* block, std::size_t size) {
    if (!block)
        vantor::raise_allocation_failure(size);
    return block;
}

} // namespace

void* operator new(std::size_t size) {
    return checked(allocate(size), size);
}
void* operator new[](std::size_t size) {
    return checked(allocate(size), size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return checked(allocate_aligned(size, alignment), size);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return checked(allocate_aligned(size, alignment), size);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocate_aligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocate_aligned(size, alignment);
}

namespace std {
void __throw_bad_alloc() {
    vantor::raise_allocation_failure(UINT64_MAX);
}
void __throw_bad_array_new_length() {
    vantor::raise_allocation_failure(UINT64_MAX);
}
} // namespace std

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    release_aligned(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    release_aligned(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    release_aligned(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    release_aligned(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    release_aligned(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    release_aligned(p);
}
