// Conversions between values and text, the letter-case routine and the commands.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "commands/convert.h"
#include "commands/library.h"
#include "runtime/allocation_faults.h"
#include "runtime/allocator.h"
#include "runtime/call.h"
#include "runtime/fatal.h"
#include "tests/unit/fatal_error.h"

using namespace vantor;
using vantor::testing::FatalToException;
using vantor::testing::RuntimeError;

namespace {

// Takes ownership of a text; "(null)" keeps a null result apart from an empty text.
std::string take(const char* text) {
    if (!text)
        return "(null)";
    std::string s(text);
    mem_free(const_cast<char*>(text));
    return s;
}
std::string text_of(const TypedValue& v) {
    return take(to_text(v));
}

std::string hex(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        out += "0123456789ABCDEF"[c >> 4];
        out += "0123456789ABCDEF"[c & 15];
    }
    return out;
}

// A one-dimensional array block {1, count, data}; `count` may lie, as in a corrupt block.
std::vector<uint8_t> array_block(uint32_t count, const void* data, size_t bytes) {
    std::vector<uint8_t> block(8 + bytes);
    write_u32(block.data(), 1);
    write_u32(block.data() + 4, count);
    if (bytes)
        std::memcpy(block.data() + 8, data, bytes);
    return block;
}
TypedValue array_of(TypeCode element, const std::vector<uint8_t>& block) {
    return make_pointer(block.data(), element | type::ArrayBit);
}
TypedValue raw(uint32_t low, TypeCode code) {
    return {low, 0, code};
}

constexpr double kSecond = 1.0 / 86400;
constexpr double kNov3 = 42677; // OLE day of 3 November 2016
const double kInf = std::numeric_limits<double>::infinity();

} // namespace

TEST(Gbk, NarrowLiteralsAreGbkBytes) {
    EXPECT_EQ(hex("真"), "D5E6");
}

TEST(ToInt, TextParse) {
    struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"", 0},
        {"  42", 42},
        {"+7", 7},
        {"-15", -15},
        {"12ab", 12},
        {"ab12", 0},
        {"0x1F", 0},
        {"\t\n\v\f\r9", 9},
        {"+-5", 0},
        {"- 5", 0},
        {"3.9", 3},
        {"4294967297", 1},
        {"2147483648", INT32_MIN},
        {"-2147483648", INT32_MIN},
        {"99999999999", 1215752191}, // wraps modulo 2^32
        {"３", 3},
        {"－５", -5},
        {"　＋１2３", 123}, // full-width space, sign and digits
        {"7\xB0\xA1"
         "5",
         7}, // a two-byte character without a half-width form stops
        {"\xA1\xA2"
         "5",
         0},
        {"8\xA3", 8},
        {"\xA3\xA0"
         "5",
         0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(to_int(make_text(c.text)), c.expected) << hex(c.text);
    EXPECT_EQ(to_int(make_text(nullptr)), 0);
}

TEST(ToInt, OtherTypes) {
    EXPECT_EQ(to_int(make_double(-2.9)), -2);
    EXPECT_EQ(to_int(make_float(2.9f)), 2);
    EXPECT_EQ(to_int(make_double(3e9)), INT32_MIN); // out of range and NaN: no UB
    EXPECT_EQ(to_int(make_double(std::nan(""))), INT32_MIN);
    EXPECT_EQ(to_int(make_bool(true)), 1);
    EXPECT_EQ(to_int(raw(7, type::Bool)), 1);
    EXPECT_EQ(to_int(raw(0xFFFFFF80, type::Byte)), 128);
    EXPECT_EQ(to_int(raw(0x1234FFFF, type::Short)), -1);
    EXPECT_EQ(to_int(make_long(0x100000005LL)), 5);
    EXPECT_EQ(to_int(raw(0x00401000, type::SubPtr)), 0x00401000);
    std::vector<uint8_t> block = array_block(1, "1234", 4);
    for (TypedValue v : {make_datetime(kNov3), make_pointer(block.data(), type::Bytes),
                         array_of(type::Int, block), kOmitted, raw(5, 0x00010001)})
        EXPECT_EQ(to_int(v), 0) << std::hex << v.type;
}

TEST(ToText, Numbers) {
    EXPECT_EQ(text_of(make_int(0)), "0");
    EXPECT_EQ(text_of(make_int(INT32_MIN)), "-2147483648");
    EXPECT_EQ(text_of(raw(0xFFFF8000, type::Short)), "-32768");
    EXPECT_EQ(text_of(raw(0x1FF, type::Byte)), "255");
    EXPECT_EQ(text_of(make_long(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(text_of(make_long(4294967296LL)), "4294967296");
    EXPECT_EQ(text_of(make_double(1.0 / 3)), "0.3333333333333");
    EXPECT_EQ(text_of(make_double(1e20)), "1e+20");
    EXPECT_EQ(text_of(make_double(-kInf)), "-inf"); // one spelling on every C library
    EXPECT_EQ(text_of(make_float(std::nanf(""))), "nan");
}

TEST(ToText, FloatRoundsHalvesAwayFromZeroAtSixDigits) {
    struct {
        float value;
        const char* expected;
    } cases[] = {
        {0.1f, "0.1"},
        {1.0f / 3, "0.333333"},
        // Exact halves, which "%.6g" alone would round to even:
        {123456.5f, "123457"},
        {-123456.5f, "-123457"},
        {1234565.0f, "1.23457e+06"},
        {999999.5f, "1e+06"},
        {0.1234585f, "0.123458"}, // the float is 0.12345849..., below the half
        {1.4e-45f, "1.4013e-45"}, // smallest subnormal: the longest exact expansion
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_of(make_float(c.value)), c.expected) << c.value;
}

TEST(ToText, BoolAndText) {
    EXPECT_EQ(text_of(make_bool(false)), "假");
    EXPECT_EQ(text_of(raw(2, type::Bool)), "真");
    const char* original = "夜神";
    char* copy = to_text(make_text(original));
    EXPECT_NE(copy, original);
    EXPECT_EQ(take(copy), original);
    EXPECT_EQ(text_of(make_text("")), "(null)");
}

TEST(ToText, DateTime) {
    struct {
        double date;
        const char* expected;
    } cases[] = {
        {kNov3 + (14 * 3600 + 5 * 60) * kSecond, "2016年11月3日14时5分"},
        {kNov3 + (14 * 3600 + 5 * 60 + 9) * kSecond, "2016年11月3日14时5分9秒"},
        {kNov3, "2016年11月3日"},
        {kNov3 + 14 * 3600 * kSecond, "2016年11月3日14时"},
        {kNov3 + 5 * kSecond, "2016年11月3日0时0分5秒"},
        {kNov3 + 86399.7 * kSecond, "2016年11月4日"}, // rounds up into the next day
        {0, "1899年12月30日"},
        {60, "1900年2月28日"},
        {61, "1900年3月1日"},
        {36585, "2000年2月29日"},
        {73110, "2100年3月1日"},
        {-657434, "100年1月1日"},
        {2958465, "9999年12月31日"},
        {-1.25, "1899年12月29日6时"}, // days count toward zero, the time forward
        {-0.5, "1899年12月30日12时"},
        {-1 - 86399.7 * kSecond, "1899年12月30日"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_of(make_datetime(c.date)), c.expected) << c.date;
    for (double date : {-657435.0, 2958466.0, 1e300, -kInf, std::nan("")})
        EXPECT_EQ(text_of(make_datetime(date)), "(null)") << date;
}

TEST(ToText, EverySecondOfADaySurvivesTheStoredDouble) {
    int mismatches = 0;
    for (int s = 1; s < 86400 && mismatches < 3; s += (s % 60 == 59) ? 2 : 1) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "2016年11月3日%d时%d分%d秒", s / 3600, s / 60 % 60,
                      s % 60);
        std::string actual = text_of(make_datetime(kNov3 + s * kSecond));
        if (actual == expected)
            continue;
        ++mismatches;
        EXPECT_EQ(actual, expected) << "second " << s;
    }
}

TEST(ToText, RawBytesUpToTheFirstZero) {
    uint8_t name[256] = "Nox.exe"; // a process entry's image-name field
    auto image = array_block(256, name, sizeof name);
    EXPECT_EQ(text_of(array_of(type::Byte, image)), "Nox.exe");
    auto no_zero = array_block(3, "abc", 3), leading_zero = array_block(3, "\0bc", 3);
    EXPECT_EQ(text_of(array_of(type::Byte, no_zero)), "abc");
    EXPECT_EQ(text_of(array_of(type::Byte, leading_zero)), "(null)");
    auto words = array_block(2, "abcdefgh", 8); // two 4-byte elements are 8 bytes
    EXPECT_EQ(text_of(array_of(type::Float, words)), "abcdefgh");
    EXPECT_EQ(text_of(array_of(type::Short, words)), "abcd");
    uint8_t* set = new_byte_set("hi\0x", 4);
    EXPECT_EQ(text_of(make_pointer(set, type::Bytes)), "hi");
    mem_free(set);
    // Counts whose byte total wraps in 32 bits must not be read as short texts.
    auto wraps = array_block(0x40000001, "abcd", 4), huge = array_block(0xFFFFFFFF, "ab", 2);
    EXPECT_EQ(text_of(array_of(type::Int, wraps)), "(null)");
    EXPECT_EQ(text_of(make_pointer(huge.data(), type::Bytes)), "(null)");
    // No text form: arrays of non-numeric types, routine addresses, unit references.
    for (TypedValue v :
         {array_of(type::Text, image), array_of(type::Bytes, image), raw(0x401000, type::SubPtr),
          make_unit_ref(1, 2, 0x0001001F), make_pointer(nullptr, type::Bytes), kOmitted})
        EXPECT_EQ(text_of(v), "(null)") << std::hex << v.type;
}

TEST(ConvertCase, AllModes) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"NOX.EXE", kLowerCase, "nox.exe"},
        {"nox.exe @[`{", kUpperCase, "NOX.EXE @[`{"},
        {"\x81"
         "AB",
         kLowerCase,
         "\x81"
         "Ab"}, // trail byte "A" of a two-byte character stays
        {"\x81"
         "ab",
         kUpperCase,
         "\x81"
         "aB"},
        {"A\x81", kLowerCase, "a\x81"},
        {"a 1~}", kFullWidth, "\xA3\xE1\xA1\xA1\xA3\xB1\xA1\xAB\xA3\xFD"},
        {"\t\xB0\xA1x\xB0", kFullWidth, "\t\xB0\xA1\xA3\xF8"}, // lone lead byte dropped
        {"Ａｂ　～☆★", kHalfWidth, "Ab ~**"},
        {"\xB0\xA1 \xA3\xA0", kHalfWidth, "\xB0\xA1 \xA3\xA0"}, // no half-width form
        {"\xA3", kHalfWidth, "(null)"},
        {"\xB0", kFullWidth, "(null)"},
        {"aB１", 7, "aB１"},
        {"aB１", -1, "aB１"}, // unknown modes copy
    };
    for (const auto& [text, mode, expected] : cases)
        EXPECT_EQ(hex(take(convert_case(text, mode))), hex(expected))
            << "mode " << mode << ", text " << hex(text);
    for (int mode : {0, 1, 2, 3, 7})
        EXPECT_EQ(take(convert_case("", mode)), "(null)");
    EXPECT_EQ(take(convert_case(nullptr, kLowerCase)), "(null)");
}

TEST(ConvertCase, HalfWidthUndoesFullWidthForPrintableAscii) {
    std::string ascii;
    for (char c = 0x20; c < 0x7F; ++c)
        ascii += c;
    std::string full = take(convert_case(ascii.c_str(), kFullWidth));
    EXPECT_EQ(full.size(), 2 * ascii.size());
    EXPECT_EQ(take(convert_case(full.c_str(), kHalfWidth)), ascii);
}

TEST(Commands, TypedResultsAndOmittedArguments) {
    TypedValue args[2] = {make_text(" 42abc"), make_int(kFullWidth)};
    TypedValue r = call_command(cmd_to_int, 1, args);
    EXPECT_EQ(r.type, type::Int);
    EXPECT_EQ(as_int(r), 42);
    r = call_command(cmd_to_text, 1, &args[1]);
    EXPECT_EQ(r.type, type::Text);
    EXPECT_EQ(take(as_text(r)), "2");
    TypedValue upper = make_text("NOX.EXE");
    EXPECT_EQ(take(as_text(call_command(cmd_to_lower, 1, &upper))), "nox.exe");
    EXPECT_EQ(hex(take(as_text(call_command(cmd_convert_case, 2, args)))),
              "A1A1A3B4A3B2A3E1A3E2A3E3");
    TypedValue lower = make_text("nox"); // an omitted mode reads as 0, upper case
    EXPECT_EQ(take(as_text(call_command(cmd_convert_case, 1, &lower))), "NOX");

    r = call_command(cmd_to_int, 0, nullptr);
    EXPECT_EQ(r.type, type::Int);
    EXPECT_EQ(r.low, 0u);
    r = call_command(cmd_to_text, 0, nullptr); // empty: null low word, nothing to free
    EXPECT_EQ(r.type, type::Text);
    EXPECT_EQ(r.low, 0u);
    EXPECT_EQ(call_command(cmd_to_lower, 1, &args[1]).low, 0u); // a non-text reads as empty
}

TEST(ConvertAllocation, FailureIsFatalWithTheRequestedSize) {
    FatalToException fatal;
    auto failure_of = [](auto convert) -> std::string {
        allocation_faults::fail_nth(1);
        try {
            take(convert());
        } catch (const RuntimeError& e) {
            return e.what();
        }
        return "(no runtime error)";
    };
    EXPECT_EQ(failure_of([] { return to_text(make_int(-42)); }), "分配 4 字节内存失败!");
    EXPECT_EQ(failure_of([] { return convert_case("ab", kFullWidth); }), "分配 5 字节内存失败!");
    allocation_faults::fail_nth(0);
    EXPECT_EQ(text_of(make_int(7)), "7");
}
