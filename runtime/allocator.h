// The runtime allocator: every block that crosses the application/runtime
// boundary comes from here. Blocks inside the application's constant area are
// never freed or resized in place.
#pragma once

#include <cstdint>

#include "runtime/value.h"

namespace vantor {

// Where blocks come from: the process heap on Windows, malloc in native builds.
struct HeapBackend {
    void* (*allocate)(uint32_t size);
    void (*release)(void* block);
    void* (*reallocate)(void* block, uint32_t size); // null on failure, block untouched
};

// Installs the heap backend; null restores the built-in malloc backend.
void set_heap_backend(const HeapBackend* backend);

// Constant area [start, start + size): literals of the application. Size 0 clears it.
void set_constant_area(const void* start, uint32_t size);
bool in_constant_area(const void* p);

// Checked allocation: on failure raises "分配 %d 字节内存失败!" (code 0).
void* mem_alloc(uint32_t size);
// Checked allocation of `extra` bytes followed by `count` elements of `size`
// bytes. A total beyond 32 bits cannot be met: it fails like any checked
// allocation, reported as the largest request (shown as -1).
void* mem_alloc_elements(uint32_t count, uint32_t size, uint32_t extra = 0);
// Unchecked allocation (request Allocate with a non-zero second parameter): null on failure.
void* mem_alloc_unchecked(uint32_t size);
// Ignores null and constant-area blocks.
void mem_free(void* block);
// Null: allocates. Constant-area block: copies min(size, bytes to the end of the
// area) into a fresh block, the constant stays. Otherwise resizes; failure raises.
void* mem_resize(void* block, uint32_t size);

// A failed allocation of `size` bytes, checked or C++ (operator new): raises
// "分配 %d 字节内存失败!" with the size (code 0); while an
// AllocationFailureThrows lives, throws std::bad_alloc instead, for a caller
// that ends in its own error (the form archive's load error). A size beyond 32
// bits is shown as the largest request (-1).
[[noreturn]] void raise_allocation_failure(uint64_t size);

// For the life of the object a failed allocation throws std::bad_alloc (see
// above). Scopes nest.
class AllocationFailureThrows {
  public:
    AllocationFailureThrows();
    ~AllocationFailureThrows();
    AllocationFailureThrows(const AllocationFailureThrows&) = delete;
    AllocationFailureThrows& operator=(const AllocationFailureThrows&) = delete;
};

// ---- copying helpers (all checked) ----
// Copy of a zero-terminated text; null or empty gives null.
char* copy_text(const char* text);
// n bytes followed by a zero byte; n < 1 gives null.
char* copy_bytes_as_text(const void* data, int32_t n);
// New byte set {1, n, bytes}; n = 0 gives null.
uint8_t* new_byte_set(const void* data, uint32_t n);

// Frees an array block of type `array_type` (bit 29 ignored); Text and Bytes
// elements are freed first. Null is ignored. (Request FreeArray.)
void free_array(TypeCode array_type, void* block);

// Service 2: when the array held in *variable lies in the constant area, replaces
// it with a private heap copy. `elem_size` is the element size in bytes.
void make_array_writable(uint32_t elem_size, void** variable);

// Request ValueToInt: Byte zero-extended, Short sign-extended, Int as is, Long low word,
// Float/Double truncated; anything else raises "欲转换数据类型不是数值".
int32_t value_to_int(const TypedValue& value);

} // namespace vantor
