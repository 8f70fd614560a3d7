// Sequential reader of the stored form data (the archive and kind-specific
// blocks). The bytes live in memory (the program image) but are pulled through a
// 4096-byte buffer, in the same chunks the runtime has always read them.
//
// Every read goes through take(): a read that would pass the end of the data
// fails with "truncated at offset N" (N = where the failed read began) and the
// reader stays failed; later reads fail at once and keep the first message.
// Lengths are checked against the bytes left before anything is allocated, so a
// damaged count never causes a huge allocation.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vantor::forms {

class Reader {
  public:
    static constexpr uint32_t kBufferSize = 4096;

    // `data` must stay valid while the reader is used; it may be null when size is 0.
    Reader(const uint8_t* data, uint32_t size);
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool dword(uint32_t& out);
    bool dword(int32_t& out);
    bool word(uint16_t& out);
    // dword length + bytes, no terminator.
    bool counted_text(std::string& out);
    // dword length + bytes.
    bool byte_buffer(std::vector<uint8_t>& out);
    // Bytes up to a 0 byte; the 0 is consumed, not stored.
    bool z_text(std::string& out);
    // n raw bytes into `out`.
    bool bytes(void* out, uint32_t n);

    // Records a failure that is not a truncation: "<what> at offset N" where N is
    // `offset`. Keeps an earlier message. Always returns false.
    bool fail(const std::string& what, uint32_t offset);

    uint32_t offset() const { return consumed_; }
    uint32_t remaining() const { return size_ - consumed_; }
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }

  private:
    // The one read function: copies n bytes (out may be null to skip them).
    bool take(void* out, uint32_t n);
    // Loads the next chunk of the source into the drained buffer; false at the end.
    bool refill();
    // Reads a dword length and checks that many bytes are left.
    bool length(uint32_t& n);

    const uint8_t* data_;
    uint32_t size_;
    uint32_t source_pos_ = 0; // next byte of the source not yet in the buffer
    uint32_t consumed_ = 0;   // bytes handed out so far
    uint32_t buf_pos_ = 0;
    uint32_t buf_len_ = 0;
    bool failed_ = false;
    std::string error_;
    std::array<uint8_t, kBufferSize> buffer_;
};

} // namespace vantor::forms
