// Text conversion between the UTF-8 of form sources and the GBK of stored forms
// (glibc iconv). Host tools only: the runtime keeps texts in GBK throughout.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantor::tools {

// Converts UTF-8 to GBK. On invalid UTF-8 or a character that GBK cannot hold,
// returns false and describes the first bad character in `error` (with its byte
// offset in `utf8`); `out` is then unspecified.
bool utf8_to_gbk(std::string_view utf8, std::string& out, std::string* error);

// Converts GBK to UTF-8. Returns false on bytes that are not valid GBK; `out`
// then holds the conversion up to the bad byte and `bad_offset` (if given) its
// offset in `gbk`.
bool gbk_to_utf8(std::string_view gbk, std::string& out, size_t* bad_offset = nullptr);

} // namespace vantor::tools
