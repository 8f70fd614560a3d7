// Joining, comparing and measuring texts.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "commands/text.h"
#include "runtime/allocation_faults.h"
#include "runtime/allocator.h"
#include "runtime/fatal.h"
#include "tests/unit/fatal_error.h"

using namespace vantor;
using vantor::testing::FatalToException;
using vantor::testing::RuntimeError;

namespace {

// "(null)" keeps a null result apart from an allocated empty text.
std::string take(char* text) {
    if (!text)
        return "(null)";
    std::string s(text);
    mem_free(text);
    return s;
}

} // namespace

TEST(JoinTexts, PiecesInOrderNullAndEmptyAddNothing) {
    const char* four[] = {"a", nullptr, "", "b"};
    EXPECT_EQ(take(join_texts(4, four)), "ab");
    const char* gbk[] = {"夜神模拟器", "1"};
    EXPECT_EQ(take(join_texts(2, gbk)), "夜神模拟器1");
    // Only empty pieces, or none at all: an allocated empty text, never null.
    const char* empties[] = {nullptr, ""};
    EXPECT_EQ(take(join_texts(1, empties)), "");
    EXPECT_EQ(take(join_texts(2, empties)), "");
    EXPECT_EQ(take(join_texts(0, empties)), "");
    EXPECT_EQ(take(join_texts(2, nullptr)), "");
}

TEST(CompareTexts, NullIsEmptyBytesAreUnsignedResultIsASign) {
    struct {
        const char* a;
        const char* b;
        int32_t expected;
    } cases[] = {
        {nullptr, nullptr, 0}, {nullptr, "", 0},  {"", nullptr, 0}, {nullptr, "a", -1},
        {"a", nullptr, 1},     {"a", "A", 1},     {"A", "a", -1},   {"abc", "abc", 0},
        {"ab", "abc", -1},     {"abc", "ab", 1},  {"a", "z", -1}, // -1, not the difference
        {"\xB0\xA1", "a", 1},  {"a", "\xFF", -1},                 // GBK bytes sort after ASCII
    };
    for (const auto& c : cases)
        EXPECT_EQ(compare_texts(c.a, c.b), c.expected)
            << (c.a ? c.a : "(null)") << " vs " << (c.b ? c.b : "(null)");
}

TEST(TextLength, BytesBeforeTheTerminator) {
    EXPECT_EQ(text_length(nullptr), 0);
    EXPECT_EQ(text_length("Nox.exe"), 7);
    EXPECT_EQ(text_length("真"), 2);
}

TEST(TextAllocation, FailuresAreFatalWithTheBlockSize) {
    FatalToException fatal;
    auto failure_of = [](auto make) -> std::string {
        try {
            take(make());
        } catch (const RuntimeError& e) {
            return e.what();
        }
        return "(no runtime error)";
    };
    const char* pieces[] = {"abc", "de"};
    allocation_faults::fail_nth(1);
    EXPECT_EQ(failure_of([&] { return join_texts(2, pieces); }), "分配 6 字节内存失败!");
    // Sizes a 32-bit heap cannot hold fail without asking it (no wrap to a small block).
    EXPECT_EQ(failure_of([] { return new_text_block(0x7FFFFFFF); }),
              "分配 -2147483648 字节内存失败!");
    EXPECT_EQ(failure_of([] { return new_text_block(0x100000004ULL); }), "分配 -1 字节内存失败!");
    allocation_faults::fail_nth(0);
}
