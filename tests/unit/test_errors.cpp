// Error box texts.
#include <gtest/gtest.h>

#include "runtime/errors.h"

using namespace vantor;

TEST(ErrorText, CodeZeroAndNoMessageIsTheHeadingAlone) {
    EXPECT_EQ(compose_error_text(nullptr, 0), "运行时出错!\r\n\r\n");
    EXPECT_EQ(compose_error_text("", 0), "运行时出错!\r\n\r\n");
}

TEST(ErrorText, NumberedErrorShowsCodeLineThenMessageLine) {
    EXPECT_EQ(compose_error_text(numbered_error_message(6), 6),
              "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
}

TEST(ErrorText, MessageWithoutCodeAndNegativeCodesAsGiven) {
    EXPECT_EQ(compose_error_text("分配 100 字节内存失败!", 0),
              "运行时出错!\r\n\r\n错误信息：分配 100 字节内存失败!\r\n");
    EXPECT_EQ(compose_error_text(nullptr, -5), "运行时出错!\r\n\r\n错误代码：-5\r\n\r\n");
}

TEST(ErrorText, NumberedTableCoversOneToEleven) {
    EXPECT_EQ(numbered_error_message(0), nullptr);
    EXPECT_EQ(numbered_error_message(12), nullptr);
    EXPECT_STREQ(numbered_error_message(1), "数组成员引用下标超出定义范围");
    EXPECT_STREQ(numbered_error_message(11), "所提供参数的数据类型不符合要求");
}
