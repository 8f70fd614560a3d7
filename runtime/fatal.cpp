#include "runtime/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace vantor {

namespace msg {
const char* const kArchiveLoadFailed = "载入窗口模板数据段出错!";
const char* const kStartupWindowFailed = "载入启动窗口失败";
const char* const kAllocFailedFormat = "分配 %d 字节内存失败!";
const char* const kNotNumeric = "欲转换数据类型不是数值";
} // namespace msg

namespace {

void default_hook(const char* message, int32_t code) {
    std::fprintf(stderr, "runtime error %d: %s\n", int(code), message ? message : "");
}

FatalHook g_hook = default_hook;

} // namespace

FatalHook set_fatal_hook(FatalHook hook) {
    FatalHook previous = g_hook;
    g_hook = hook ? hook : default_hook;
    return previous;
}

void raise_runtime_error(const char* message, int32_t code) {
    g_hook(message, code);
    std::abort();
}

} // namespace vantor
