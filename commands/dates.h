// Calendar arithmetic of the runtime's dates, shared by the text conversion
// (to_text) and the edit box's date input: proleptic Gregorian dates, day counts
// from 1 January 1970 and OLE automation days (from 30 December 1899).
// Portable: no platform headers.
#pragma once

#include <cstdint>

namespace vantor {

struct CivilDate {
    int32_t year;
    int32_t month; // 1..12
    int32_t day;   // 1..31
    friend constexpr bool operator==(const CivilDate&, const CivilDate&) = default;
};

inline constexpr int32_t kOleDayOfUnixEpoch = 25569; // 1 January 1970
// The OLE days the runtime prints and reads: 1 January 100 to 31 December 9999.
inline constexpr int32_t kFirstOleDay = -657434;
inline constexpr int32_t kLastOleDay = 2958465;

constexpr bool is_leap_year(int32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days of `month` (1..12) in `year`.
constexpr int32_t days_in_month(int32_t year, int32_t month) {
    constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 to `date`, by 400-year eras.
constexpr int32_t days_from_civil(CivilDate date) {
    const int32_t year = date.year - (date.month <= 2 ? 1 : 0);
    const int32_t era = (year >= 0 ? year : year - 399) / 400;
    const int32_t year_of_era = year - era * 400;
    const int32_t day_of_year =
        (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const int32_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

// The date `days` after 1 January 1970 (before it when negative).
constexpr CivilDate civil_from_days(int32_t days) {
    const int32_t z = days + 719468; // from 1 March 0000
    const int32_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int32_t day_of_era = z - era * 146097;
    const int32_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int32_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int32_t mp = (5 * day_of_year + 2) / 153; // March-based month 0..11
    const int32_t month = mp < 10 ? mp + 3 : mp - 9;
    const int32_t day = day_of_year - (153 * mp + 2) / 5 + 1;
    return {year_of_era + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

static_assert(days_from_civil({1970, 1, 1}) == 0);
static_assert(days_from_civil({1899, 12, 30}) == -kOleDayOfUnixEpoch);
static_assert(days_from_civil({100, 1, 1}) + kOleDayOfUnixEpoch == kFirstOleDay);
static_assert(days_from_civil({9999, 12, 31}) + kOleDayOfUnixEpoch == kLastOleDay);
static_assert(civil_from_days(days_from_civil({2000, 2, 29})) == CivilDate{2000, 2, 29});
static_assert(civil_from_days(-1) == CivilDate{1969, 12, 31});
static_assert(days_in_month(1900, 2) == 28 && days_in_month(2000, 2) == 29);

} // namespace vantor
