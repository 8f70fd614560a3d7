// Appends the primitive encodings of the stored form data to a byte vector; the
// counterpart of Reader. Lengths are 32-bit: callers never pass 4 GB or more.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vantor::forms {

class Writer {
  public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}

    void dword(uint32_t v) {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        out_.insert(out_.end(), b, b + 4);
    }
    void dword(int32_t v) { dword(uint32_t(v)); }
    // Several dwords in order.
    template <class... T> void dwords(T... values) { (dword(values), ...); }
    // Each element of an array or vector of dwords, in order.
    template <class Range> void dwords_of(const Range& values) {
        for (auto v : values)
            dword(v);
    }
    void word(uint16_t v) {
        out_.push_back(uint8_t(v));
        out_.push_back(uint8_t(v >> 8));
    }
    void bytes(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        out_.insert(out_.end(), p, p + n);
    }
    void counted_text(std::string_view s) {
        dword(uint32_t(s.size()));
        bytes(s.data(), s.size());
    }
    void byte_buffer(const std::vector<uint8_t>& b) {
        dword(uint32_t(b.size()));
        bytes(b.data(), b.size());
    }
    // Cut at the first 0 byte: a z-text cannot carry one.
    void z_text(std::string_view s) {
        s = s.substr(0, s.find('\0'));
        bytes(s.data(), s.size());
        out_.push_back(0);
    }

  private:
    std::vector<uint8_t>& out_;
};

} // namespace vantor::forms
