#include "runtime/errors.h"

#include <cstdio>

namespace vantor {

namespace {

const char* const kNumbered[kNumberedErrorCount] = {
    "数组成员引用下标超出定义范围",
    "未得到所需要的数值型数据",
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
    "数组成员引用下标必须大于等于1",
    "数据或数组类型不匹配",
    "调用DLL命令后发现堆栈错误",
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
    "被比较数据只能使用等于或不等于命令比较",
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
    "所提供参数的数据类型不符合要求",
};

} // namespace

const char* numbered_error_message(int32_t n) {
    if (n < 1 || n > kNumberedErrorCount)
        return nullptr;
    return kNumbered[n - 1];
}

std::string compose_error_text(const char* message, int32_t code) {
    std::string text = "运行时出错!\r\n\r\n";
    if (code != 0) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", int(code));
        text += "错误代码：";
        text += digits;
        text += "\r\n\r\n";
    }
    if (message && *message) {
        text += "错误信息：";
        text += message;
        text += "\r\n";
    }
    return text;
}

} // namespace vantor
