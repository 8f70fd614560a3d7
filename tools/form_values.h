// The value context of the form compiler: turns the values of a source line
// into numbers, ids, texts (UTF-8 to GBK) and byte buffers, and fails with a
// SourceError naming the current line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/form_kinds.h"
#include "tools/form_lexer.h"
#include "tools/form_source.h"

namespace vantor::tools {

class Context {
  public:
    Context(std::string path, const CompileOptions& options)
        : path_(std::move(path)), dir_(std::filesystem::path(path_).parent_path()),
          options_(options) {}

    int line = 0;
    const CompileOptions& options() const { return options_; }

    [[noreturn]] void fail(const std::string& message) const { throw SourceError{line, message}; }

    // Any 32-bit value: -2^31 .. 2^32-1, stored as its bit pattern.
    uint32_t dword(const Value& v, const std::string& what, bool logical = false) const {
        int64_t n = integer(v, what, logical);
        if (n < INT32_MIN || n > static_cast<int64_t>(UINT32_MAX))
            fail(what + ": " + v.describe() + " does not fit in 32 bits");
        return static_cast<uint32_t>(n);
    }

    int32_t signed32(const Value& v, const std::string& what) const {
        int64_t n = integer(v, what, false);
        if (n < INT32_MIN || n > INT32_MAX)
            fail(what + ": " + v.describe() + " is out of range for a signed 32-bit number");
        return static_cast<int32_t>(n);
    }

    // A valid unit or window id (see valid_id).
    uint32_t id(const Value& v, const std::string& what) const;
    // A quoted text in GBK; \xHH segments are copied as they are.
    std::string text(const Value& v, const std::string& what) const;

    // A z-text of the unit record: may not hold a 0 byte.
    std::string ztext(const Value& v, const std::string& what) const {
        std::string s = text(v, what);
        if (s.find('\0') != std::string::npos)
            fail(what + ": a 0 byte cannot be stored here");
        return s;
    }

    ByteVec bytes(const Value& v, const std::string& what) const;

  private:
    int64_t integer(const Value& v, const std::string& what, bool logical) const;
    ByteVec hex_bytes(std::string_view digits, const std::string& what) const;
    ByteVec file_bytes(const std::string& name, const std::string& what) const;

    std::string path_;
    std::filesystem::path dir_;
    const CompileOptions& options_;
};

} // namespace vantor::tools
