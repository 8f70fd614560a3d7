#include "commands/text.h"

#include <cstdio>
#include <cstring>

#include "runtime/allocator.h"
#include "runtime/fatal.h"

namespace vantor {

char* new_text_block(uint64_t length) {
    // Past 2 GiB the request cannot succeed on a 32-bit heap, and some heaps
    // (the sanitizers' among them) abort instead of returning null, so such
    // sizes take the allocation-failure path without asking the heap.
    constexpr uint64_t kLargest = 0x7FFFFFFF;
    if (length >= kLargest) {
        char message[64];
        uint32_t shown = length >= 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(length + 1);
        std::snprintf(message, sizeof message, msg::kAllocFailedFormat, int(int32_t(shown)));
        raise_runtime_error(message, 0);
    }
    auto* block = static_cast<char*>(mem_alloc(uint32_t(length) + 1));
    block[length] = 0;
    return block;
}

char* join_texts(int32_t count, const char* const* pieces) {
    if (!pieces)
        count = 0;
    // The lengths are measured once and summed in 64 bits: the same long piece
    // passed many times could otherwise wrap a 32-bit total into a short block.
    uint64_t total = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (pieces[i])
            total += std::strlen(pieces[i]);
    }
    char* block = new_text_block(total);
    char* out = block;
    for (int32_t i = 0; i < count; ++i) {
        if (!pieces[i])
            continue;
        size_t n = std::strlen(pieces[i]);
        std::memcpy(out, pieces[i], n);
        out += n;
    }
    return block;
}

int32_t compare_texts(const char* a, const char* b) {
    if (!a)
        return (!b || !*b) ? 0 : -1;
    if (!b)
        return *a ? 1 : 0;
    auto* x = reinterpret_cast<const unsigned char*>(a);
    auto* y = reinterpret_cast<const unsigned char*>(b);
    while (*x && *x == *y) {
        ++x;
        ++y;
    }
    if (*x == *y)
        return 0;
    return *x < *y ? -1 : 1;
}

int32_t text_length(const char* text) {
    return text ? int32_t(std::strlen(text)) : 0;
}

} // namespace vantor
