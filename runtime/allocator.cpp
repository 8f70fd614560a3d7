#include "runtime/allocator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/allocation_faults.h"
#include "runtime/fatal.h"

namespace vantor {

namespace {

void* malloc_allocate(uint32_t size) {
    return std::malloc(size ? size : 1);
}
void malloc_release(void* block) {
    std::free(block);
}
void* malloc_reallocate(void* block, uint32_t size) {
    return std::realloc(block, size ? size : 1);
}

const HeapBackend kMallocBackend{malloc_allocate, malloc_release, malloc_reallocate};

const HeapBackend* g_backend = &kMallocBackend;
uintptr_t g_const_start = 0;
uintptr_t g_const_end = 0;
int g_throwing_scopes = 0;

} // namespace

void raise_allocation_failure(uint64_t size) {
    if (g_throwing_scopes > 0)
        throw std::bad_alloc();
    const uint32_t shown = size > UINT32_MAX ? UINT32_MAX : uint32_t(size);
    char text[64]; // on the stack: the report must not need the memory that ran out
    std::snprintf(text, sizeof text, msg::kAllocFailedFormat, int(int32_t(shown)));
    raise_runtime_error(text, 0);
}

AllocationFailureThrows::AllocationFailureThrows() {
    ++g_throwing_scopes;
}

AllocationFailureThrows::~AllocationFailureThrows() {
    --g_throwing_scopes;
}

void set_heap_backend(const HeapBackend* backend) {
    g_backend = backend ? backend : &kMallocBackend;
}

void set_constant_area(const void* start, uint32_t size) {
    if (size == 0 || start == nullptr) {
        g_const_start = g_const_end = 0;
        return;
    }
    g_const_start = reinterpret_cast<uintptr_t>(start);
    g_const_end = g_const_start + size;
}

bool in_constant_area(const void* p) {
    auto a = reinterpret_cast<uintptr_t>(p);
    return a >= g_const_start && a < g_const_end;
}

void* mem_alloc_unchecked(uint32_t size) {
    if (allocation_faults::take(size))
        return nullptr;
    return g_backend->allocate(size);
}

void* mem_alloc(uint32_t size) {
    void* block = mem_alloc_unchecked(size);
    if (!block)
        raise_allocation_failure(size);
    return block;
}

void* mem_alloc_elements(uint32_t count, uint32_t size, uint32_t extra) {
    const uint64_t total = uint64_t(count) * size + extra;
    if (total > UINT32_MAX)
        raise_allocation_failure(total);
    return mem_alloc(uint32_t(total));
}

void mem_free(void* block) {
    if (!block || in_constant_area(block))
        return;
    g_backend->release(block);
}

void* mem_resize(void* block, uint32_t size) {
    if (!block)
        return mem_alloc(size);
    if (in_constant_area(block)) {
        void* copy = mem_alloc(size);
        uint32_t available = uint32_t(g_const_end - reinterpret_cast<uintptr_t>(block));
        std::memcpy(copy, block, size < available ? size : available);
        return copy;
    }
    void* moved = allocation_faults::take(size) ? nullptr : g_backend->reallocate(block, size);
    if (!moved)
        raise_allocation_failure(size);
    return moved;
}

char* copy_text(const char* text) {
    if (!text || !*text)
        return nullptr;
    return copy_bytes_as_text(text, int32_t(std::strlen(text)));
}

char* copy_bytes_as_text(const void* data, int32_t n) {
    if (n < 1)
        return nullptr;
    auto* block = static_cast<char*>(mem_alloc(uint32_t(n) + 1));
    std::memcpy(block, data, uint32_t(n));
    block[n] = 0;
    return block;
}

uint8_t* new_byte_set(const void* data, uint32_t n) {
    if (n == 0)
        return nullptr;
    auto* block = static_cast<uint8_t*>(mem_alloc_elements(n, 1, 8));
    write_u32(block, 1);
    write_u32(block + 4, n);
    if (data)
        std::memcpy(block + 8, data, n);
    return block;
}

void free_array(TypeCode array_type, void* block) {
    if (!block)
        return;
    TypeCode elem = element_type(array_type);
    if (elem == type::Text || elem == type::Bytes) {
        auto* bytes = static_cast<uint8_t*>(block);
        uint32_t count = array_element_count(bytes);
        uint8_t* elements = bytes + array_header_size(bytes);
        for (uint32_t i = 0; i < count; ++i) {
            mem_free(reinterpret_cast<void*>(uintptr_t(read_u32(elements + 4 * i))));
        }
    }
    mem_free(block);
}

void make_array_writable(uint32_t elem_size, void** variable) {
    void* array = *variable;
    if (!array || !in_constant_area(array))
        return;
    auto* bytes = static_cast<const uint8_t*>(array);
    uint32_t size = array_header_size(bytes) + elem_size * array_element_count(bytes);
    void* copy = mem_alloc(size);
    std::memcpy(copy, array, size);
    *variable = copy;
}

int32_t value_to_int(const TypedValue& value) {
    if (std::optional<int32_t> n = numeric_to_int(value))
        return *n;
    raise_runtime_error(msg::kNotNumeric, 0);
}

} // namespace vantor
