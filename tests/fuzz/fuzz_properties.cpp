// libFuzzer target over the property value conversions and the kinds'
// table-driven stores and loads. The input picks a property type, a font member,
// a screen dpi and a kind's row; the rest of it is the value: a byte set, a text,
// a stored font or a whole-font record built from those bytes. Besides the
// sanitizers it checks the conversions' promises and aborts when one is broken:
//   - a read hands out a new block (or none) that the caller can free;
//   - a font written by member is a whole 60-byte font record;
//   - a stored value reads back as it was stored.
#include <cstring>
#include <string>
#include <vector>

#include "forms/property_values.h"
#include "runtime/allocator.h"
#include "tests/fuzz/promise.h"

using namespace vantor;
using namespace vantor::forms;

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    uint8_t byte() {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
    uint32_t word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(byte()) << (8 * i);
        return v;
    }
};

// Frees what a read handed out, by the conversion of its type.
void release_read(uint16_t type, int32_t member, uint64_t result) {
    auto* block = pointer_of<void>(uint32_t(result));
    switch (conversion_of(type)) {
    case Conversion::Data:
    case Conversion::MousePointer:
    case Conversion::Text:
        mem_free(block);
        break;
    case Conversion::Font:
        if (member == font_member::FaceName) {
            mem_free(block);
        } else if (member == font_member::Whole) {
            auto* record = static_cast<FontRecord*>(block);
            require(record != nullptr, "a whole font reads as a record");
            mem_free(const_cast<char*>(record->face));
            mem_free(record);
        }
        break;
    default:
        break;
    }
}

// The value a kind's write routine gets for `row`, by where the row stores it.
struct Values {
    uint32_t raw;
    const char* text; // may be null: none
    const std::vector<uint8_t>& bytes;
};

template <class P> PropValue value_for_row(const PropDef<P>& row, const Values& v) {
    if (std::holds_alternative<std::string P::*>(row.field) ||
        std::holds_alternative<uint16_t P::*>(row.field) ||
        std::holds_alternative<std::monostate>(row.field))
        return {word_of(v.text), 0};
    if (std::holds_alternative<ByteVec P::*>(row.field))
        return {word_of(v.bytes.data()), uint32_t(v.bytes.size())};
    return {v.raw, 0};
}

template <class P> void store_and_load(uint8_t pick, const Values& values) {
    auto rows = Kind<P>::properties();
    const PropDef<P>& row = rows[pick % rows.size()];
    P props;
    store_property(props, row, value_for_row(row, values));
    std::string scratch;
    uint32_t result[2] = {0, 0};
    if (!load_property(props, row, result, scratch))
        return;
    // What was stored stores again unchanged.
    P again = props;
    const bool bytes = std::holds_alternative<ByteVec P::*>(row.field);
    require(!store_property(again, row, PropValue{result[0], bytes ? result[1] : 0}),
            "a stored value reads back as stored");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    const auto type = uint16_t(prop_type::Integer00 + in.byte() % 26);
    const int32_t member = int32_t(in.byte() % 9) - 1; // -1 .. 7
    const auto dpi = int32_t(in.word());
    const uint8_t shape = in.byte();
    const uint32_t high = in.word();
    const std::vector<uint8_t> payload(in.data, in.data + in.size);

    std::string text(payload.begin(), payload.end());
    uint8_t* byte_set = new_byte_set(payload.data(), uint32_t(payload.size()));
    LogFont font{};
    if (!payload.empty()) // an empty vector's data() may be null, which memcpy must not get
        std::memcpy(&font, payload.data(), std::min(payload.size(), sizeof font));
    FontRecord record{int32_t(high),
                      high & 1,
                      high & 2,
                      high & 4,
                      high & 8,
                      int32_t(high),
                      shape & 1 ? nullptr : text.c_str()};

    // The value words as application code passes them for this type.
    const bool none = (shape & 1) != 0;
    const Conversion conversion = conversion_of(type);
    uint32_t low = payload.size() >= 4 ? read_u32(payload.data()) : high;
    if (conversion == Conversion::Data || conversion == Conversion::MousePointer)
        low = none ? 0 : word_of(byte_set);
    else if (conversion == Conversion::Text ||
             (conversion == Conversion::Font && member == font_member::FaceName))
        low = none ? 0 : word_of(text.c_str());
    else if (conversion == Conversion::Font && member == font_member::Whole)
        low = none ? 0 : word_of(&record);

    const FontSetting setting{font, dpi};
    const uint32_t current[2] = {shape & 2 ? word_of(&font) : 0, sizeof font};
    WriteScratch scratch;
    PropValue written = value_for_write(type, low, high, member, current, setting, scratch);
    if (conversion == Conversion::Font && written.word0 != 0)
        require(written.word1 == sizeof(LogFont), "a written font is a whole font record");

    // A kind's read result: a word, a text, or data and its count.
    uint32_t result[2] = {low, high};
    if (conversion == Conversion::Text)
        result[0] = none ? 0 : word_of(text.c_str());
    else if (conversion == Conversion::Data || conversion == Conversion::MousePointer ||
             conversion == Conversion::Font)
        result[0] = none ? 0 : word_of(payload.data()), result[1] = uint32_t(payload.size());
    release_read(type, member, value_for_read(type, result, member, setting));
    font_points(int32_t(high), dpi);
    font_height(int32_t(high), dpi);

    const Values values{high, none ? nullptr : text.c_str(), payload};
    const uint8_t pick = shape >> 4;
    switch (shape >> 1 & 7) {
    case 0:
    case 5:
        store_and_load<WindowProps>(pick, values);
        break;
    case 1:
    case 6:
        store_and_load<EditBoxProps>(pick, values);
        break;
    case 2:
    case 7:
        store_and_load<ButtonProps>(pick, values);
        break;
    case 3:
        store_and_load<CommonDlgProps>(pick, values);
        break;
    default:
        store_and_load<TransLabelProps>(pick, values);
        break;
    }
    mem_free(byte_set);
    return 0;
}
