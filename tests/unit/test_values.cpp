// Value model, allocator and command-call entry.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "runtime/allocation_faults.h"
#include "runtime/allocator.h"
#include "runtime/call.h"
#include "runtime/fatal.h"
#include "runtime/value.h"
#include "tests/unit/fatal_error.h"

using namespace vantor;
using vantor::testing::FatalToException;
using vantor::testing::raised_by;
using vantor::testing::RuntimeError;

namespace {

class ValuesTest : public ::testing::Test {
  protected:
    void TearDown() override {
        allocation_faults::fail_nth(0);
        set_constant_area(nullptr, 0);
    }
    FatalToException fatal_;
};

// A fake constant area: literals of the application live in one read-only block.
struct ConstantArea {
    alignas(4) uint8_t bytes[64] = {};
    ConstantArea() { set_constant_area(bytes, sizeof bytes); }
};

} // namespace

TEST(TypeCodes, ClassifyByTopBits) {
    EXPECT_EQ(classify(0x0001001F), TypeClass::LibraryDefined);
    EXPECT_EQ(library_number(0x0001001F), 1u);
    EXPECT_EQ(library_type_number(0x0001001F), 31u);
    EXPECT_EQ(classify(0xC0010001), TypeClass::LibraryDefined);
    EXPECT_EQ(classify(0x40000001), TypeClass::UserDefined);
    EXPECT_EQ(classify(0), TypeClass::None);
    EXPECT_EQ(classify(type::Text), TypeClass::Basic);
    EXPECT_TRUE(is_array(0xA0000101));
    EXPECT_EQ(element_type(0xA0000101), type::Byte);
    EXPECT_FALSE(is_array(type::Int));
    EXPECT_FALSE(is_array(0x20000001)); // bit 29 only means "array" on basic codes
}

TEST(TypeCodes, ElementSizeOnlyForNumericTypes) {
    EXPECT_EQ(element_size(type::Byte), 1u);
    EXPECT_EQ(element_size(type::Short), 2u);
    EXPECT_EQ(element_size(type::Int), 4u);
    EXPECT_EQ(element_size(type::Long), 8u);
    EXPECT_EQ(element_size(type::Float), 4u);
    EXPECT_EQ(element_size(type::Double), 8u);
    for (TypeCode c : {type::Bool, type::Text, type::Bytes, type::DateTime, type::SubPtr,
                       type::None, TypeCode(0xA0000301), TypeCode(0x00010001)}) {
        EXPECT_EQ(element_size(c), 0u) << std::hex << c;
    }
}

TEST(TypedValueLayout, WordsAndHelpers) {
    TypedValue v = make_long(-2);
    EXPECT_EQ(v.low, 0xFFFFFFFEu);
    EXPECT_EQ(v.high, 0xFFFFFFFFu);
    EXPECT_EQ(as_long(v), -2);
    EXPECT_EQ(as_double(make_double(-2.5)), -2.5);
    EXPECT_EQ(as_float(make_float(0.25f)), 0.25f);
    TypedValue dlg = make_unit_ref(0x52010003, 0x16011EAA, 0x0001001F);
    uint32_t words[3];
    std::memcpy(words, &dlg, sizeof words);
    EXPECT_EQ(words[0], 0x52010003u);
    EXPECT_EQ(words[1], 0x16011EAAu);
    EXPECT_EQ(words[2], 0x0001001Fu);
}

TEST_F(ValuesTest, FreeIgnoresNullAndConstants) {
    ConstantArea area;
    mem_free(nullptr);
    mem_free(area.bytes + 3); // would corrupt the heap if it reached free()
    void* block = mem_alloc(16);
    ASSERT_NE(block, nullptr);
    EXPECT_FALSE(in_constant_area(block));
    mem_free(block);
}

TEST_F(ValuesTest, ResizingAConstantCopiesUpToTheAreaEnd) {
    ConstantArea area;
    std::memcpy(area.bytes + 56, "literal", 8); // 8 bytes up to the area's end
    char* grown = static_cast<char*>(mem_resize(area.bytes + 56, 20));
    ASSERT_NE(grown, nullptr);
    EXPECT_FALSE(in_constant_area(grown));
    EXPECT_STREQ(grown, "literal");
    EXPECT_STREQ(reinterpret_cast<char*>(area.bytes + 56), "literal");
    char* shrunk = static_cast<char*>(mem_resize(area.bytes + 56, 3));
    EXPECT_EQ(std::string(shrunk, 3), "lit");
    mem_free(grown);
    mem_free(shrunk);
}

TEST_F(ValuesTest, ResizeOfNullAllocatesAndHeapBlocksKeepContent) {
    char* p = static_cast<char*>(mem_resize(nullptr, 4));
    std::memcpy(p, "abc", 4);
    p = static_cast<char*>(mem_resize(p, 4096));
    EXPECT_STREQ(p, "abc");
    mem_free(p);
}

TEST_F(ValuesTest, CheckedAllocationFailureIsARuntimeErrorWithTheSize) {
    allocation_faults::fail_nth(1);
    try {
        mem_alloc(100);
        FAIL() << "allocation failure did not raise";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.code, 0);
        EXPECT_STREQ(e.what(), "分配 100 字节内存失败!");
    }
    void* p = mem_alloc(8); // only the next allocation failed
    EXPECT_NE(p, nullptr);
    mem_free(p);
}

TEST_F(ValuesTest, ResizeFailureReportsTheNewSize) {
    void* p = mem_alloc(8);
    allocation_faults::fail_nth(1);
    try {
        mem_resize(p, 4000);
        FAIL() << "resize failure did not raise";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "分配 4000 字节内存失败!");
    }
    mem_free(p); // the block survives a failed resize
}

TEST_F(ValuesTest, SizesBeyond32BitsFailInsteadOfWrapping) {
    // 8 + n and count * size would wrap to a few bytes, and the copy overrun them.
    EXPECT_STREQ(raised_by([] { new_byte_set(nullptr, 0xFFFFFFF8u); }, "a huge byte set").what(),
                 "分配 -1 字节内存失败!");
    EXPECT_STREQ(raised_by([] { mem_alloc_elements(0x40000001u, 4); }, "a huge table").what(),
                 "分配 -1 字节内存失败!");
    void* fits = mem_alloc_elements(3, 4, 8);
    EXPECT_NE(fits, nullptr);
    mem_free(fits);
}

TEST_F(ValuesTest, UncheckedAllocationReturnsNull) {
    allocation_faults::fail_nth(1);
    EXPECT_EQ(mem_alloc_unchecked(64), nullptr);
}

TEST_F(ValuesTest, CopyHelpersNeverMakeEmptyBlocks) {
    EXPECT_EQ(copy_text(nullptr), nullptr);
    EXPECT_EQ(copy_text(""), nullptr);
    EXPECT_EQ(copy_bytes_as_text("abc", 0), nullptr);
    EXPECT_EQ(copy_bytes_as_text("abc", -1), nullptr);
    EXPECT_EQ(new_byte_set("abc", 0), nullptr);

    char* t = copy_text("夜神");
    EXPECT_STREQ(t, "夜神");
    mem_free(t);
    char* cut = copy_bytes_as_text("abcdef", 3);
    EXPECT_STREQ(cut, "abc");
    mem_free(cut);
    uint8_t* set = new_byte_set("xyz", 3);
    EXPECT_EQ(read_u32(set), 1u);
    EXPECT_EQ(bytes_length(set), 3u);
    EXPECT_EQ(std::memcmp(bytes_data(set), "xyz", 3), 0);
    mem_free(set);
}

TEST_F(ValuesTest, ArraySizesAndFreeingOwnedElements) {
    // 2 x 3 Int: 4 + 8 + 24 bytes.
    alignas(4) uint8_t ints[36] = {};
    write_u32(ints, 2);
    write_u32(ints + 4, 2);
    write_u32(ints + 8, 3);
    EXPECT_EQ(array_element_count(ints), 6u);
    EXPECT_EQ(array_header_size(ints) + 4 * array_element_count(ints), 36u);

    // A Text array owns its elements: freeing it must free each (ASan reports leaks).
    auto* texts = static_cast<uint8_t*>(mem_alloc(4 + 4 + 3 * 4));
    write_u32(texts, 1);
    write_u32(texts + 4, 3);
    write_u32(texts + 8, uint32_t(reinterpret_cast<uintptr_t>(copy_text("a"))));
    write_u32(texts + 12, 0);
    write_u32(texts + 16, uint32_t(reinterpret_cast<uintptr_t>(copy_text("bc"))));
    free_array(type::Text | type::ArrayBit, texts);
    free_array(type::Text, nullptr);
}

TEST_F(ValuesTest, MakeArrayWritableCopiesOnlyConstants) {
    ConstantArea area;
    write_u32(area.bytes, 1);
    write_u32(area.bytes + 4, 3);
    write_u32(area.bytes + 8, 7);
    write_u32(area.bytes + 12, 8);
    write_u32(area.bytes + 16, 9);
    void* var = area.bytes;
    make_array_writable(4, &var);
    ASSERT_NE(var, static_cast<void*>(area.bytes));
    EXPECT_EQ(std::memcmp(var, area.bytes, 20), 0);
    void* heap = var;
    make_array_writable(4, &var);
    EXPECT_EQ(var, heap); // already private: left alone
    mem_free(var);
}

TEST_F(ValuesTest, ValueToIntByType) {
    EXPECT_EQ(value_to_int(make_byte(200)), 200);
    EXPECT_EQ(value_to_int(make_short(-3)), -3);
    EXPECT_EQ(value_to_int(make_int(-7)), -7);
    EXPECT_EQ(value_to_int(make_long(0x100000005LL)), 5);
    EXPECT_EQ(value_to_int(make_float(-2.9f)), -2);
    EXPECT_EQ(value_to_int(make_double(3.99)), 3);
    EXPECT_EQ(value_to_int(make_double(1e300)), INT32_MIN); // no UB on overflow
    for (TypedValue v : {make_bool(true), make_text("12"), kOmitted, make_datetime(1.0)}) {
        try {
            value_to_int(v);
            FAIL() << "type " << std::hex << v.type << " converted";
        } catch (const RuntimeError& e) {
            EXPECT_STREQ(e.what(), "欲转换数据类型不是数值");
            EXPECT_EQ(e.code, 0);
        }
    }
}

namespace {
int32_t g_seen_argc = -1;
void probe_command(TypedValue* result, int32_t argc, const TypedValue* args) {
    // The result record arrives zeroed.
    EXPECT_EQ(result->low | result->high | result->type, 0u);
    g_seen_argc = argc;
    *result = {args[0].low + args[1].low, 0xABCD, type::Long};
}
} // namespace

TEST(CommandCall, ZeroedResultAndAllThreeWordsReturned) {
    TypedValue args[2] = {make_int(2), make_int(40)};
    TypedValue r = call_command(probe_command, 2, args);
    EXPECT_EQ(g_seen_argc, 2);
    EXPECT_EQ(r.low, 42u);
    EXPECT_EQ(r.high, 0xABCDu);
    EXPECT_EQ(r.type, type::Long);
    EXPECT_EQ(argument(2, args, 5).type, type::None);
}

TEST(Charset, LiteralsAreGbk) {
    const char* s = "真";
    ASSERT_EQ(std::strlen(s), 2u);
    EXPECT_EQ(uint8_t(s[0]), 0xD5);
    EXPECT_EQ(uint8_t(s[1]), 0xE6);
}
