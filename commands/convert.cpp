#include "commands/convert.h"
#include "commands/dates.h"
#include "commands/library.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands/text.h"
#include "runtime/allocator.h"
#include "runtime/call.h"

namespace vantor {

namespace {

// ---- half-width reading ---------------------------------------------------------

// Half-width form of a GBK two-byte character, or 0 when it has none.
uint8_t half_width_of(uint8_t lead, uint8_t trail) {
    if (lead == 0xA1) {
        if (trail == 0xA1)
            return ' '; // ideographic space
        if (trail == 0xAB)
            return '~';
        if (trail == 0xEE || trail == 0xEF)
            return '*';
        return 0;
    }
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE)
        return uint8_t(trail & 0x7F);
    return 0;
}

// Reads a text byte by byte as if its full-width characters were half-width.
// Both the integer parse and the half-width mode read through this, so the two
// can never disagree about what a full-width digit or sign is.
class HalfWidthReader {
  public:
    explicit HalfWidthReader(const char* text)
        : p_(reinterpret_cast<const uint8_t*>(text ? text : "")) {}

    // Next byte of the normalised text; 0 at the end.
    uint8_t next() {
        if (pending_) {
            uint8_t t = pending_;
            pending_ = 0;
            return t;
        }
        uint8_t b = *p_;
        if (b < 0x80) {
            if (b)
                ++p_;
            return b;
        }
        uint8_t trail = p_[1];
        if (!trail) { // a lead byte cut off by the terminator is dropped
            ++p_;
            return 0;
        }
        p_ += 2;
        if (uint8_t half = half_width_of(b, trail))
            return half;
        pending_ = trail;
        return b;
    }

  private:
    const uint8_t* p_;
    uint8_t pending_ = 0;
};

bool is_blank(uint8_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// ---- building a text in two passes ----------------------------------------------

// Counts on the first pass (no buffer), writes on the second, so the result is
// one exact-size block and no scratch memory is needed.
struct Sink {
    char* out;
    uint64_t length;
    void put(uint8_t c) {
        if (out)
            out[length] = char(c);
        ++length;
    }
};

template <typename Produce> char* build_text(Produce produce) {
    Sink counter{nullptr, 0};
    produce(counter);
    if (counter.length == 0)
        return nullptr;
    Sink writer{new_text_block(counter.length), 0};
    produce(writer);
    return writer.out;
}

void produce_half_width(const char* text, Sink& sink) {
    HalfWidthReader reader(text);
    while (uint8_t c = reader.next())
        sink.put(c);
}

void produce_full_width(const char* text, Sink& sink) {
    for (auto* p = reinterpret_cast<const uint8_t*>(text); *p; ++p) {
        uint8_t b = *p;
        if (b >= 0x80) {
            if (!p[1])
                break; // lone lead byte before the terminator: dropped
            sink.put(b);
            sink.put(*++p);
        } else if (b == ' ') {
            sink.put(0xA1);
            sink.put(0xA1);
        } else if (b == '~') {
            sink.put(0xA1);
            sink.put(0xAB);
        } else if (b >= 0x21 && b <= 0x7D) {
            sink.put(0xA3);
            sink.put(uint8_t(b + 0x80));
        } else {
            sink.put(b);
        }
    }
}

// Letters first..last shifted by `delta`; the byte after a lead byte is skipped
// so trail bytes that happen to be ASCII letters stay intact.
void shift_letters(char* text, uint8_t first, uint8_t last, int delta) {
    for (auto* p = reinterpret_cast<uint8_t*>(text); *p; ++p) {
        if (*p >= 0x80) {
            if (!p[1])
                break;
            ++p;
        } else if (*p >= first && *p <= last) {
            *p = uint8_t(*p + delta);
        }
    }
}

// ---- number formatting ------------------------------------------------------------

// Decimal digits of `magnitude` written backwards ending at `end`; returns the start.
// Unsigned 32 and 64 bit versions: 64-bit division is a library call on x86.
template <typename U> char* digits_before(U magnitude, char* end) {
    do {
        *--end = char('0' + int(magnitude % 10));
        magnitude /= 10;
    } while (magnitude);
    return end;
}

char* signed_decimal(int64_t v, char* end) {
    uint64_t magnitude = v < 0 ? 0 - uint64_t(v) : uint64_t(v);
    char* p = magnitude <= 0xFFFFFFFFu ? digits_before(uint32_t(magnitude), end)
                                       : digits_before(magnitude, end);
    if (v < 0)
        *--p = '-';
    return p;
}

char* decimal_text(int64_t v) {
    char buffer[24];
    char* end = buffer + sizeof buffer;
    char* start = signed_decimal(v, end);
    return copy_bytes_as_text(start, int32_t(end - start));
}

// The C libraries disagree on NaN and infinity ("-nan", "1.#QNAN"), so both
// floating types spell them one way here.
const char* non_finite_name(double d) {
    if (std::isnan(d))
        return "nan";
    return d < 0 ? "-inf" : "inf";
}

// Rounds to six significant digits with halves away from zero, then "%.6g".
// "%.6g" alone rounds the exact binary value half to even, which differs on
// floats that are exact halves (123456.5 must give 123457). The exact decimal
// expansion of a float has at most 112 significant digits, so printing 112
// decimals gives every digit unrounded and the seventh digit decides.
void format_float(float f, char* out, size_t size) {
    double d = f;
    if (d == 0) {
        std::snprintf(out, size, "%.6g", d);
        return;
    }
    char digits[136];
    std::snprintf(digits, sizeof digits, "%.112e", std::fabs(d));
    // digits: "D.DDDDDDDDD...e+XX"
    long kept = digits[0] - '0';
    for (int i = 2; i <= 6; ++i)
        kept = kept * 10 + (digits[i] - '0');
    long exponent = std::strtol(std::strchr(digits, 'e') + 1, nullptr, 10);
    if (digits[7] >= '5')
        ++kept;
    char rounded[32];
    std::snprintf(rounded, sizeof rounded, "%ldE%ld", kept, exponent - 5);
    double r = std::strtod(rounded, nullptr);
    std::snprintf(out, size, "%.6g", d < 0 ? -r : r);
}

// ---- dates ----------------------------------------------------------------------------

// An OLE date's whole part counts days (toward zero, so -1.25 is 29 December
// 1899) and the magnitude of its fraction is the time of day, as OLE itself
// reads negative dates. The time is rounded to the nearest second: a stored
// 14:05:09 is often 14:05:08.99999..., and a time that rounds up to 24:00 moves
// to the next day. False when the date is outside the years 100 to 9999.
bool format_datetime(double d, char* out, size_t size) {
    if (!(std::fabs(d) < 1e7))
        return false; // also NaN and infinities
    double whole = std::trunc(d);
    int32_t day = int32_t(whole);
    int32_t seconds = int32_t(std::lround(std::fabs(d - whole) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    if (day < kFirstOleDay || day > kLastOleDay)
        return false;

    CivilDate date = civil_from_days(day - kOleDayOfUnixEpoch);
    int n =
        std::snprintf(out, size, "%d年%d月%d日", int(date.year), int(date.month), int(date.day));
    if (n < 0 || size_t(n) >= size)
        return false;
    int hour = int(seconds / 3600), minute = int(seconds / 60 % 60), second = int(seconds % 60);
    char* rest = out + n;
    size_t room = size - size_t(n);
    if (second)
        std::snprintf(rest, room, "%d时%d分%d秒", hour, minute, second);
    else if (minute)
        std::snprintf(rest, room, "%d时%d分", hour, minute);
    else if (hour)
        std::snprintf(rest, room, "%d时", hour);
    return true;
}

// ---- raw bytes ----------------------------------------------------------------------

// Bytes blocks and numeric arrays are read as one-dimensional: element count at
// offset 4, data at offset 8. The byte count is figured in 64 bits so a
// corrupt count cannot wrap to a small number; counts beyond any real block
// give the empty text without reading the data.
char* raw_bytes_text(const uint8_t* block, uint32_t element_bytes) {
    if (!block)
        return nullptr;
    uint64_t n = uint64_t(read_u32(block + 4)) * element_bytes;
    if (n > 0x7FFFFFFE)
        return nullptr;
    const uint8_t* data = block + 8;
    if (const void* zero = std::memchr(data, 0, size_t(n)))
        n = uint64_t(static_cast<const uint8_t*>(zero) - data);
    return copy_bytes_as_text(data, int32_t(n));
}

} // namespace

int32_t text_to_int(const char* text) {
    HalfWidthReader reader(text);
    uint8_t c = reader.next();
    while (is_blank(c))
        c = reader.next();
    bool negative = c == '-';
    if (c == '+' || c == '-')
        c = reader.next();
    // Unsigned arithmetic: the value wraps around in 32 bits by definition.
    uint32_t value = 0;
    for (; c >= '0' && c <= '9'; c = reader.next())
        value = value * 10 + uint32_t(c - '0');
    return int32_t(negative ? 0 - value : value);
}

int32_t to_int(const TypedValue& value) {
    switch (value.type) {
    case type::Text:
        return text_to_int(as_text(value));
    case type::Bool:
        return value.low ? 1 : 0;
    case type::SubPtr:
        return int32_t(value.low);
    default:
        return numeric_to_int(value).value_or(0);
    }
}

char* to_text(const TypedValue& value) {
    char buffer[64];
    switch (value.type) {
    case type::Int:
        return decimal_text(int32_t(value.low));
    case type::Short:
        return decimal_text(int16_t(uint16_t(value.low)));
    case type::Byte:
        return decimal_text(value.low & 0xFF);
    case type::Long:
        return decimal_text(as_long(value));
    case type::Float:
        if (!std::isfinite(as_float(value)))
            return copy_text(non_finite_name(as_float(value)));
        format_float(as_float(value), buffer, sizeof buffer);
        return copy_text(buffer);
    case type::Double:
        if (!std::isfinite(as_double(value)))
            return copy_text(non_finite_name(as_double(value)));
        std::snprintf(buffer, sizeof buffer, "%.13g", as_double(value));
        return copy_text(buffer);
    case type::Bool:
        return copy_text(value.low ? "真" : "假");
    case type::DateTime:
        return format_datetime(as_double(value), buffer, sizeof buffer) ? copy_text(buffer)
                                                                        : nullptr;
    case type::Text:
        return copy_text(as_text(value));
    case type::Bytes:
        return raw_bytes_text(as_block(value), 1);
    default:
        if (is_array(value.type)) {
            uint32_t size = element_size(element_type(value.type));
            if (size)
                return raw_bytes_text(as_block(value), size);
        }
        return nullptr;
    }
}

char* convert_case(const char* text, int mode) {
    if (!text || !*text)
        return nullptr;
    switch (mode) {
    case kUpperCase:
    case kLowerCase: {
        char* copy = copy_text(text);
        if (mode == kUpperCase)
            shift_letters(copy, 'a', 'z', 'A' - 'a');
        else
            shift_letters(copy, 'A', 'Z', 'a' - 'A');
        return copy;
    }
    case kFullWidth:
        return build_text([text](Sink& s) { produce_full_width(text, s); });
    case kHalfWidth:
        return build_text([text](Sink& s) { produce_half_width(text, s); });
    default:
        return copy_text(text); // unknown modes change nothing
    }
}

void cmd_to_int(TypedValue* result, int32_t argc, const TypedValue* args) {
    *result = make_int(to_int(argument(argc, args, 0)));
}

void cmd_to_text(TypedValue* result, int32_t argc, const TypedValue* args) {
    *result = make_text(to_text(argument(argc, args, 0)));
}

namespace {
const char* text_argument(int32_t argc, const TypedValue* args, int32_t i) {
    TypedValue v = argument(argc, args, i);
    return v.type == type::Text ? as_text(v) : nullptr;
}
} // namespace

void cmd_to_lower(TypedValue* result, int32_t argc, const TypedValue* args) {
    *result = make_text(convert_case(text_argument(argc, args, 0), kLowerCase));
}

void cmd_convert_case(TypedValue* result, int32_t argc, const TypedValue* args) {
    int mode = int(to_int(argument(argc, args, 1)));
    *result = make_text(convert_case(text_argument(argc, args, 0), mode));
}

} // namespace vantor
