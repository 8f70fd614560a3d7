#include "forms/property_values.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "forms/mouse_pointer.h"
#include "runtime/allocator.h"
#include "runtime/value.h"

namespace vantor::forms {

namespace {

constexpr int32_t kPointsPerInch = 72;
constexpr int32_t kFullTurn = 3600; // tenths of a degree
// A face name of the font record: 1 to 31 bytes (the record holds 32 with the end).
constexpr size_t kLongestFace = sizeof(LogFont::face) - 1;

int32_t saturate(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

uint32_t truth(bool b) {
    return b ? 1 : 0;
}

std::string_view face_of(const LogFont& font) {
    return {font.face, strnlen(font.face, sizeof font.face)};
}

void set_face(LogFont& font, const char* face) {
    std::memset(font.face, 0, sizeof font.face);
    std::memcpy(font.face, face, std::min(std::strlen(face), kLongestFace));
}

// A byte set's data, or an empty span for none.
const uint8_t* byte_set_data(uint32_t word, uint32_t& size) {
    const uint8_t* set = pointer_of<const uint8_t>(word);
    size = bytes_length(set);
    return bytes_data(set);
}

} // namespace

int32_t font_points(int32_t height, int32_t dpi) {
    if (dpi <= 0)
        return 0;
    int64_t magnitude = height < 0 ? -int64_t(height) : int64_t(height);
    return saturate(magnitude * kPointsPerInch / dpi);
}

int32_t font_height(int32_t points, int32_t dpi) {
    if (dpi <= 0)
        return 0;
    return saturate(-(int64_t(std::max(points, 0)) * dpi / kPointsPerInch));
}

LogFont font_of(const uint8_t* data, uint32_t size, const LogFont& fallback) {
    LogFont font = fallback;
    if (data && size == sizeof font)
        std::memcpy(&font, data, sizeof font);
    return font;
}

uint64_t read_font_member(const LogFont& font, int32_t member, int32_t dpi) {
    std::string_view face = face_of(font);
    switch (member) {
    case font_member::Angle:
        return uint32_t(font.orientation);
    case font_member::Bold:
        return truth(font.weight >= kBoldWeight);
    case font_member::Italic:
        return truth(font.italic != 0);
    case font_member::StrikeOut:
        return truth(font.strike_out != 0);
    case font_member::Underline:
        return truth(font.underline != 0);
    case font_member::Size:
        return uint32_t(font_points(font.height, dpi));
    case font_member::FaceName:
        return word_of(copy_bytes_as_text(face.data(), int32_t(face.size())));
    case font_member::Whole: {
        auto* record = static_cast<FontRecord*>(mem_alloc(sizeof(FontRecord)));
        record->angle = font.orientation;
        record->bold = truth(font.weight >= kBoldWeight);
        record->italic = truth(font.italic != 0);
        record->strike_out = truth(font.strike_out != 0);
        record->underline = truth(font.underline != 0);
        record->size = font_points(font.height, dpi);
        record->face = copy_bytes_as_text(face.data(), int32_t(face.size()));
        return word_of(record);
    }
    default:
        return 0;
    }
}

bool apply_font_member(LogFont& font, int32_t member, uint32_t value, int32_t dpi) {
    switch (member) {
    case font_member::Angle: {
        int32_t angle = int32_t(value) % kFullTurn;
        font.escapement = font.orientation = angle < 0 ? angle + kFullTurn : angle;
        return true;
    }
    case font_member::Bold:
        font.weight = value ? kBoldWeight : 0;
        return true;
    case font_member::Italic:
        font.italic = uint8_t(truth(value != 0));
        return true;
    case font_member::StrikeOut:
        font.strike_out = uint8_t(truth(value != 0));
        return true;
    case font_member::Underline:
        font.underline = uint8_t(truth(value != 0));
        return true;
    case font_member::Size:
        font.height = font_height(int32_t(value), dpi);
        return true;
    case font_member::FaceName: {
        const char* face = pointer_of<const char>(value);
        size_t length = face ? std::strlen(face) : 0;
        set_face(font, length >= 1 && length <= kLongestFace ? face : kDefaultFace);
        return true;
    }
    case font_member::Whole: {
        const auto* record = pointer_of<const FontRecord>(value);
        if (!record)
            return false;
        // The angle as given; a face of 31 bytes or more, or none, is the default.
        font.escapement = font.orientation = record->angle;
        font.weight = record->bold ? kBoldWeight : 0;
        font.italic = uint8_t(truth(record->italic != 0));
        font.strike_out = uint8_t(truth(record->strike_out != 0));
        font.underline = uint8_t(truth(record->underline != 0));
        font.height = font_height(record->size, dpi);
        size_t length = record->face ? std::strlen(record->face) : kLongestFace;
        set_face(font, length >= kLongestFace ? kDefaultFace : record->face);
        return true;
    }
    default:
        return true;
    }
}

template <class... Codes> bool one_of(uint16_t type, Codes... codes) {
    return ((type == codes) || ...);
}

Conversion conversion_of(uint16_t type) {
    namespace t = prop_type;
    if (one_of(type, t::Integer00, t::Integer, t::Color, t::Integer15, t::BackColor))
        return Conversion::Integer;
    if (one_of(type, t::Eight02, t::Eight04))
        return Conversion::Eight;
    if (one_of(type, t::Picture, t::Icon, t::Sound, t::Data23, t::Data24))
        return Conversion::Data;
    if (type == t::Choice)
        return Conversion::Choice;
    if (type == t::Logical)
        return Conversion::Logical;
    if (type == t::MousePointer)
        return Conversion::MousePointer;
    return type == t::Font ? Conversion::Font : Conversion::Text;
}

uint64_t value_for_read(uint16_t type, const uint32_t value[2], int32_t member,
                        const FontSetting& font) {
    const auto* data = pointer_of<const uint8_t>(value[0]);
    uint32_t size = data ? value[1] : 0;
    switch (conversion_of(type)) {
    case Conversion::Integer:
    case Conversion::Choice:
        return value[0];
    case Conversion::Eight:
        return value[0] | uint64_t(value[1]) << 32;
    case Conversion::Logical:
        return truth(value[0] == 1);
    case Conversion::Data:
        return word_of(new_byte_set(data, size));
    case Conversion::MousePointer: {
        uint8_t* set = new_byte_set(data, size);
        if (set)
            pointer_ids_to_numbers(set + 8, size);
        return word_of(set);
    }
    case Conversion::Font:
        return read_font_member(font_of(data, size, font.fallback), member, font.dpi);
    default:
        return word_of(copy_text(pointer_of<const char>(value[0])));
    }
}

PropValue value_for_write(uint16_t type, uint32_t low, uint32_t high, int32_t member,
                          const uint32_t current[2], const FontSetting& font,
                          WriteScratch& scratch) {
    uint32_t size = 0;
    switch (conversion_of(type)) {
    case Conversion::Integer:
        return {low, 0};
    case Conversion::Choice:
        return {int32_t(low) < 0 ? 0 : low, 0};
    case Conversion::Eight:
        return {low, high};
    case Conversion::Logical:
        return {truth(low != 0), 0};
    case Conversion::Data: {
        const uint8_t* data = byte_set_data(low, size);
        return data ? PropValue{word_of(data), size} : PropValue{0, 0};
    }
    case Conversion::MousePointer: {
        const uint8_t* data = byte_set_data(low, size);
        scratch.pointer.assign(data, data + size);
        pointer_numbers_to_ids(scratch.pointer.data(), uint32_t(scratch.pointer.size()));
        return {scratch.pointer.empty() ? 0 : word_of(scratch.pointer.data()),
                uint32_t(scratch.pointer.size())};
    }
    case Conversion::Font: {
        // A member changes the unit's current font.
        const auto* data = pointer_of<const uint8_t>(current[0]);
        scratch.font = font_of(data, data ? current[1] : 0, font.fallback);
        if (!apply_font_member(scratch.font, member, low, font.dpi))
            return {0, 0};
        return {word_of(&scratch.font), sizeof scratch.font};
    }
    default:
        return {low ? low : word_of(""), 0}; // texts: none is the empty text
    }
}

} // namespace vantor::forms
