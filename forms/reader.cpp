#include "forms/reader.h"

#include <algorithm>
#include <cstring>

namespace vantor::forms {

Reader::Reader(const uint8_t* data, uint32_t size) : data_(data), size_(data ? size : 0) {}

bool Reader::fail(const std::string& what, uint32_t offset) {
    if (!failed_) {
        failed_ = true;
        error_ = what + " at offset " + std::to_string(offset);
    }
    return false;
}

bool Reader::refill() {
    buf_len_ = std::min(kBufferSize, size_ - source_pos_);
    buf_pos_ = 0;
    if (buf_len_ == 0)
        return false;
    std::memcpy(buffer_.data(), data_ + source_pos_, buf_len_);
    source_pos_ += buf_len_;
    return true;
}

bool Reader::take(void* out, uint32_t n) {
    if (failed_)
        return false;
    if (n > remaining())
        return fail("truncated", consumed_);
    auto* dst = static_cast<uint8_t*>(out);
    consumed_ += n;
    while (n > 0) {
        if (buf_pos_ == buf_len_) {
            // A drained buffer and a read of a whole buffer or more: copy straight
            // from the source instead of staging every chunk.
            if (n >= kBufferSize) {
                if (dst)
                    std::memcpy(dst, data_ + source_pos_, n);
                source_pos_ += n;
                return true;
            }
            refill();
        }
        uint32_t chunk = std::min(n, buf_len_ - buf_pos_);
        if (dst) {
            std::memcpy(dst, buffer_.data() + buf_pos_, chunk);
            dst += chunk;
        }
        buf_pos_ += chunk;
        n -= chunk;
    }
    return true;
}

bool Reader::bytes(void* out, uint32_t n) {
    return take(out, n);
}

bool Reader::dword(uint32_t& out) {
    uint8_t b[4];
    if (!take(b, 4))
        return false;
    out = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool Reader::dword(int32_t& out) {
    uint32_t v;
    if (!dword(v))
        return false;
    out = int32_t(v);
    return true;
}

bool Reader::word(uint16_t& out) {
    uint8_t b[2];
    if (!take(b, 2))
        return false;
    out = uint16_t(b[0] | b[1] << 8);
    return true;
}

bool Reader::length(uint32_t& n) {
    uint32_t at = consumed_;
    if (!dword(n))
        return false;
    // Checked before allocating: a damaged length must not become a huge allocation.
    if (n > remaining())
        return fail("truncated (length " + std::to_string(n) + ")", at);
    return true;
}

bool Reader::counted_text(std::string& out) {
    uint32_t n;
    if (!length(n))
        return false;
    out.resize(n);
    return take(out.data(), n);
}

bool Reader::byte_buffer(std::vector<uint8_t>& out) {
    uint32_t n;
    if (!length(n))
        return false;
    out.resize(n);
    return take(out.data(), n);
}

bool Reader::z_text(std::string& out) {
    out.clear();
    if (failed_)
        return false;
    const uint32_t start = consumed_;
    // Takes each buffered run before the 0 at once; the buffer is refilled in
    // its usual chunks.
    for (;;) {
        if (buf_pos_ == buf_len_ && !refill()) {
            fail("truncated", consumed_);
            error_ = "unterminated text at offset " + std::to_string(start);
            return false;
        }
        const uint8_t* at = buffer_.data() + buf_pos_;
        const uint32_t buffered = buf_len_ - buf_pos_;
        const auto* zero = static_cast<const uint8_t*>(std::memchr(at, 0, buffered));
        const uint32_t run = zero ? uint32_t(zero - at) : buffered;
        out.append(reinterpret_cast<const char*>(at), run);
        const uint32_t taken = zero ? run + 1 : run;
        buf_pos_ += taken;
        consumed_ += taken;
        if (zero)
            return true;
    }
}

} // namespace vantor::forms
