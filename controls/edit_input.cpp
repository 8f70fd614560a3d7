#include "controls/edit_input.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "commands/convert.h"
#include "commands/dates.h"
#include "runtime/allocator.h"

namespace vantor::controls {

namespace {

bool is_digit(uint32_t c) {
    return c >= '0' && c <= '9';
}

// Takes ownership of a runtime text (null is empty).
std::string adopt_text(char* text) {
    std::string s = text ? text : "";
    mem_free(text);
    return s;
}

std::string unless_zero(std::string s) {
    return s == "0" ? std::string() : s;
}

std::string clamped_integer(const char* text, long long low, long long high) {
    long long v = std::clamp(std::strtoll(text, nullptr, 10), low, high);
    return unless_zero(std::to_string(v));
}

// The runtime prints -0 as "-0"; a zero is a zero whatever its sign.
double without_negative_zero(double d) {
    return d == 0 ? 0.0 : d;
}

std::string float_text(const char* text) {
    double d = std::strtod(text, nullptr);
    float f;
    if (std::isnan(d))
        f = NAN;
    else if (std::fabs(d) > double(FLT_MAX)) // converting such a double to float is undefined
        f = d < 0 ? -INFINITY : INFINITY;
    else
        f = float(without_negative_zero(d));
    return unless_zero(adopt_text(to_text(make_float(f))));
}

std::string double_text(const char* text) {
    double d = without_negative_zero(std::strtod(text, nullptr));
    return unless_zero(adopt_text(to_text(make_double(d))));
}

std::string datetime_text(const char* text) {
    double date;
    if (!parse_datetime(text, date) || date == 0)
        return std::string();
    return adopt_text(to_text(make_datetime(date)));
}

// Length of a date separator at `p`, or 0 when there is none.
size_t separator_length(const char* p) {
    if (std::strchr("-/.: \tT", *p))
        return 1;
    static const char* const kUnits[] = {"年", "月", "日", "时", "分", "秒"};
    for (const char* unit : kUnits) {
        size_t n = std::strlen(unit);
        if (std::strncmp(p, unit, n) == 0)
            return n;
    }
    return 0;
}

} // namespace

bool input_accepts(int32_t mode, uint32_t ch) {
    if (ch < 32)
        return true;
    switch (mode) {
    case input_mode::IntegerText:
    case input_mode::Short:
    case input_mode::Int:
    case input_mode::Long:
        return is_digit(ch) || ch == '-';
    case input_mode::DecimalText:
    case input_mode::Float:
    case input_mode::Double:
        return is_digit(ch) || ch == '-' || ch == '.';
    case input_mode::Byte:
        return is_digit(ch);
    default:
        return true;
    }
}

std::string normalise_input(int32_t mode, const char* text) {
    if (!text)
        text = "";
    switch (mode) {
    case input_mode::Byte:
        return clamped_integer(text, 0, 255);
    case input_mode::Short:
        return clamped_integer(text, INT16_MIN, INT16_MAX);
    case input_mode::Int:
        return clamped_integer(text, INT32_MIN, INT32_MAX);
    case input_mode::Long:
        return clamped_integer(text, INT64_MIN, INT64_MAX);
    case input_mode::Float:
        return float_text(text);
    case input_mode::Double:
        return double_text(text);
    case input_mode::DateTime:
        return datetime_text(text);
    default:
        return text;
    }
}

bool parse_datetime(const char* text, double& ole_date) {
    if (!text)
        return false;
    int32_t field[6] = {0, 0, 0, 0, 0, 0};
    int count = 0;
    const char* p = text;
    while (*p) {
        if (is_digit(uint8_t(*p))) {
            if (count == 6)
                return false;
            int32_t value = 0;
            for (int digits = 0; is_digit(uint8_t(*p)); ++p) {
                if (++digits > 4)
                    return false;
                value = value * 10 + (*p - '0');
            }
            field[count++] = value;
        } else if (size_t n = separator_length(p)) {
            p += n;
        } else {
            return false;
        }
    }
    if (count < 3)
        return false;
    auto [year, month, day, hour, minute, second] = field;
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) ||
        hour > 23 || minute > 59 || second > 59)
        return false;
    int32_t ole_day = days_from_civil({year, month, day}) + kOleDayOfUnixEpoch;
    double time = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before 30 December 1899 the whole part counts back while the time of day
    // still counts forward: the fraction's magnitude is the time.
    ole_date = ole_day >= 0 ? ole_day + time : ole_day - time;
    return true;
}

} // namespace vantor::controls
