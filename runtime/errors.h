// Runtime error texts: the numbered errors raised by application code and the
// composition of the error box text. Portable; the Windows reporter shows it.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

inline constexpr int32_t kNumberedErrorCount = 11;

// Message of numbered error n (1..11); null outside that range.
const char* numbered_error_message(int32_t n);

// The error box text: the heading, then "错误代码：<code>" and a blank line when
// the code is not 0, then "错误信息：<message>" and a line break when the message
// is not empty. A null message counts as empty.
std::string compose_error_text(const char* message, int32_t code);

inline constexpr const char* kErrorCaption = "错误";

} // namespace vantor
