// The one fatal-error path. Every runtime failure ends here; the Windows runtime
// installs the error reporter (message box, end sequence, exit code -1), tests
// install a hook that records the call and unwinds.
#pragma once

#include <cstdint>

namespace vantor {

using FatalHook = void (*)(const char* message, int32_t code);

// Installs `hook` and returns the previous one. A null hook restores the default,
// which writes the message to stderr and aborts.
FatalHook set_fatal_hook(FatalHook hook);

// Reports a runtime error with `message` (null counts as empty) and `code`
// (0 = no code line). Does not return: if the hook returns, the process aborts.
[[noreturn]] void raise_runtime_error(const char* message, int32_t code);

// Fixed messages of runtime errors raised with code 0 (GBK bytes).
namespace msg {
extern const char* const kArchiveLoadFailed;   // "载入窗口模板数据段出错!"
extern const char* const kStartupWindowFailed; // "载入启动窗口失败"
extern const char* const kAllocFailedFormat;   // "分配 %d 字节内存失败!"
extern const char* const kNotNumeric;          // "欲转换数据类型不是数值"
} // namespace msg

} // namespace vantor
