#include "tests/support/test_kinds.h"

#include <cstdio>
#include <cstring>

#include "forms/blocks.h"
#include "forms/record.h"
#include "forms/win32/dpi_win32.h"
#include "forms/win32/engine.h"
#include "forms/win32/loader.h"
#include "runtime/allocator.h"
#include "runtime/win32/kernel.h"
#include "runtime/win32/libraries.h"
#include "tests/support/plain_program.h"
#include "tests/support/sequence.h"
#include "tests/support/win32.h"

namespace vantor::testing {

namespace {

using forms::CreateParams;
using forms::PropertyEntry;
using forms::PropValue;
using forms::UnitTypeRecord;

const char kFormClass[] = "VantorTestForm";
uint32_t g_created = 0;

// ---- property tables ------------------------------------------------------------

constexpr PropertyEntry entry(uint16_t type) {
    return {"", "", "", type, 0, nullptr};
}
constexpr PropertyEntry fixed(uint16_t type) {
    return {"", "", "", type, 0xE000, nullptr};
}
#define FIXED_EIGHT                                                                                \
    fixed(1001), fixed(1001), fixed(1001), fixed(1001), fixed(1005), fixed(1003), fixed(1003),     \
        fixed(1011)

const PropertyEntry kPlainProps[] = {FIXED_EIGHT};
const PropertyEntry kFormProps[] = {FIXED_EIGHT, entry(1005)};
const PropertyEntry kRecreateProps[] = {FIXED_EIGHT, entry(1001)};
const PropertyEntry kPagesProps[] = {FIXED_EIGHT, entry(1006)};
const PropertyEntry kProbeProps[] = {FIXED_EIGHT, entry(1001), entry(1006), entry(1003),
                                     entry(1002), entry(1009), entry(1011), entry(1013),
                                     entry(1005), entry(1001), entry(1014)};

// ---- names and blocks -------------------------------------------------------------

} // namespace

std::string record_name(uint32_t window_id, uint32_t unit_id) {
    const forms::WindowRecord* w = forms::find_window(kernel().windows(), window_id);
    auto unit = w ? forms::find_unit_or_window(*w, unit_id) : std::nullopt;
    forms::RecordCursor cursor;
    if (!unit || !cursor.open(unit->body, unit->size))
        return "?";
    return std::string(cursor.name().empty() ? "W" : cursor.name());
}

namespace {

// Test block of the re-creatable kinds: dwords version 1, generation, integer,
// choice, then the text as a counted text. An empty block is all defaults.
bool read_test_block(const uint8_t* data, uint32_t size, TestUnit& unit) {
    if (size == 0)
        return true;
    if (size < 20 || read_u32(data) != 1)
        return false;
    unit.generation = read_u32(data + 4);
    unit.integer = int32_t(read_u32(data + 8));
    unit.choice = int32_t(read_u32(data + 12));
    uint32_t length = read_u32(data + 16);
    if (length > size - 20)
        return false;
    unit.text.assign(reinterpret_cast<const char*>(data + 20), length);
    return true;
}

bool serialise(UnitObject* object, uint8_t** block, uint32_t* size) {
    auto* unit = static_cast<TestUnit*>(object);
    *size = 20 + uint32_t(unit->text.size());
    *block = static_cast<uint8_t*>(mem_alloc(*size));
    write_u32(*block, 1);
    write_u32(*block + 4, unit->generation + 1);
    write_u32(*block + 8, uint32_t(unit->integer));
    write_u32(*block + 12, uint32_t(unit->choice));
    write_u32(*block + 16, uint32_t(unit->text.size()));
    std::memcpy(*block + 20, unit->text.data(), unit->text.size());
    return true;
}

// ---- creation ---------------------------------------------------------------------

HWND create_form(const CreateParams& p, std::string& caption) {
    forms::WindowProps props;
    if (!forms::read_block(p.block, p.block_size, props))
        return nullptr;
    caption = props.Caption;
    register_plain_class(DefWindowProcA, kFormClass, COLOR_BTNFACE, CS_DBLCLKS);
    // Like the window kind: a modal window without owner is owned by the hidden owner.
    HWND owner = p.parent;
    if (!owner && p.modal)
        owner = hidden_owner_window();
    DWORD style =
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | p.styles;
    HWND h = CreateWindowExA(0, kFormClass, caption.c_str(), style, p.left, p.top, p.width,
                             p.height, owner, p.menu, GetModuleHandleA(nullptr), nullptr);
    // Like the window kind: the stored geometry at the window's DPI, noted.
    if (h) {
        forms::dpi::remember_dpi(h, forms::dpi::window_dpi(h));
        forms::dpi::place_unit(h, {p.left, p.top, p.width, p.height});
    }
    return h;
}

template <uint32_t Kind> UnitObject* create(const CreateParams& p) {
    const UnitTypeRecord* type = forms::unit_type_of_kind(Kind);
    auto* unit =
        new TestUnit(p.window_id, p.unit_id, type, Kind, record_name(p.window_id, p.unit_id));
    HWND h = nullptr;
    if (Kind == kinds::Form) {
        h = create_form(p, unit->text);
    } else if (read_test_block(p.block, p.block_size, *unit)) {
        const char* cls = Kind == kinds::Push ? "BUTTON" : "STATIC";
        DWORD style = WS_CHILD | p.styles | (Kind == kinds::Push ? BS_PUSHBUTTON : 0);
        if (Kind == kinds::Panel || Kind == kinds::Pages)
            style |= WS_CLIPCHILDREN;
        h = CreateWindowExA(0, cls, unit->name.c_str(), style, p.left, p.top, p.width, p.height,
                            p.parent, reinterpret_cast<HMENU>(uintptr_t(p.control_id)),
                            GetModuleHandleA(nullptr), nullptr);
    }
    if (!h) {
        delete unit;
        return nullptr;
    }
    unit->attach(h);
    ++g_created;
    return unit;
}

UnitObject* create_broken(const CreateParams&) {
    return nullptr;
}

// ---- property routines ----------------------------------------------------------

void remember(TestUnit& unit, const PropValue* value, uint32_t data_size) {
    unit.last_value = *value;
    const auto* data = reinterpret_cast<const uint8_t*>(uintptr_t(value->word0));
    unit.last_data.assign(data, data ? data + data_size : data);
}

std::vector<uint8_t> bytes_of(const PropValue* value) {
    const auto* data = reinterpret_cast<const uint8_t*>(uintptr_t(value->word0));
    return data ? std::vector<uint8_t>(data, data + value->word1) : std::vector<uint8_t>();
}

int32_t write_property(UnitObject* object, int32_t index, const PropValue* value, const char**) {
    auto& unit = *static_cast<TestUnit*>(object);
    const char* text = reinterpret_cast<const char*>(uintptr_t(value->word0));
    uint32_t property = uint32_t(index) + 8;
    bool data_type =
        unit.kind == kinds::Probe &&
        (property == probe::Picture || property == probe::Pointer || property == probe::Font);
    bool text_type = (unit.kind == kinds::Probe && property == probe::Text) ||
                     (unit.kind == kinds::Form && property == 8);
    remember(unit, value,
             data_type           ? value->word1
             : text_type && text ? uint32_t(std::strlen(text) + 1)
                                 : 0);
    if (unit.kind == kinds::Form) {
        unit.text = text ? text : "";
        SetWindowTextA(unit.handle(), unit.text.c_str());
        return 0;
    }
    if (unit.kind == kinds::Pages) {
        unit.page = value->word0;
        return 0;
    }
    if (unit.kind != kinds::Probe)
        return property == uint32_t(kRecreateProperty) ? 1 : 0;
    switch (property) {
    case probe::Integer:
        unit.integer = int32_t(value->word0);
        return 0;
    case probe::Choice:
        unit.choice = int32_t(value->word0);
        return 0;
    case probe::Logical:
        unit.logical = value->word0;
        return 0;
    case probe::Eight:
        unit.eight[0] = value->word0;
        unit.eight[1] = value->word1;
        return 0;
    case probe::Picture:
        unit.picture = bytes_of(value);
        return 0;
    case probe::Pointer:
        unit.pointer = bytes_of(value);
        return 0;
    case probe::Font:
        unit.font = bytes_of(value);
        return 0;
    case probe::Text:
        unit.text = text ? text : "";
        return 0;
    case probe::Recreate:
        return 1;
    case probe::Color:
        unit.color = value->word0;
        return 0;
    default:
        return 0;
    }
}

void data_result(const std::vector<uint8_t>& data, uint32_t result[2]) {
    result[0] = data.empty() ? 0 : word_of(data.data());
    result[1] = uint32_t(data.size());
}

int32_t read_property(UnitObject* object, int32_t index, uint32_t result[2]) {
    auto& unit = *static_cast<TestUnit*>(object);
    uint32_t property = uint32_t(index) + 8;
    if (unit.kind == kinds::Form) {
        result[0] = word_of(unit.text.c_str());
        return property == 8;
    }
    if (unit.kind == kinds::Pages) {
        result[0] = unit.page;
        return property == 8;
    }
    if (unit.kind != kinds::Probe) {
        result[0] = unit.generation;
        return property == uint32_t(kRecreateProperty);
    }
    switch (property) {
    case probe::Integer:
        result[0] = uint32_t(unit.integer);
        return 1;
    case probe::Choice:
        result[0] = uint32_t(unit.choice);
        return 1;
    case probe::Logical:
        result[0] = unit.logical;
        return 1;
    case probe::Eight:
        result[0] = unit.eight[0];
        result[1] = unit.eight[1];
        return 1;
    case probe::Picture:
        data_result(unit.picture, result);
        return 1;
    case probe::Pointer:
        data_result(unit.pointer, result);
        return 1;
    case probe::Font:
        data_result(unit.font, result);
        return 1;
    case probe::Text:
        result[0] = word_of(unit.text.c_str());
        return 1;
    case probe::Recreate:
        result[0] = unit.generation;
        return 1;
    case probe::Color:
        result[0] = unit.color;
        return 1;
    default:
        return 0;
    }
}

template <uint32_t Kind> void* routine(int32_t number) {
    switch (number) {
    case forms::routine::Create:
        return Kind == kinds::Broken ? reinterpret_cast<void*>(&create_broken)
                                     : reinterpret_cast<void*>(&create<Kind>);
    case forms::routine::PropertyWritten:
        return reinterpret_cast<void*>(&write_property);
    case forms::routine::CurrentData:
        return Kind == kinds::Form ? nullptr : reinterpret_cast<void*>(&serialise);
    case forms::routine::PropertyRead:
        return reinterpret_cast<void*>(&read_property);
    default:
        return nullptr;
    }
}

template <uint32_t Kind, size_t N>
UnitTypeRecord type_record(uint32_t flags, const PropertyEntry (&props)[N]) {
    UnitTypeRecord r{};
    r.chinese_name = "";
    r.english_name = "";
    r.explanation = "";
    r.flags = flags;
    r.property_count = N;
    r.properties = props;
    r.routine = &routine<Kind>;
    return r;
}

UnitTypeRecord g_baselib[21];
UnitTypeRecord g_uilib[5];

uint32_t selected_page(UnitObject* container) {
    auto* unit = dynamic_cast<TestUnit*>(container);
    return unit ? unit->page : 0;
}

std::string hex(UINT msg) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", msg);
    return text;
}

} // namespace

bool TestUnit::on_reflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (kind == kinds::Push && msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        raise_event(0);
        result = 0;
        return true;
    }
    return false;
}

LRESULT TestUnit::on_message(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case 0x806F:
    case 0x8004:
    case 0x8076:
        log_line(name + " " + hex(msg));
        if ((kind == kinds::Label || kind == kinds::Panel) && msg != 0x8004)
            raise_event(5);
        return 0;
    case WM_SHOWWINDOW:
        log_line(name + " show " + std::to_string(wp));
        break;
    case WM_DESTROY:
        log_line(name + " destroy");
        if (kind == kinds::Form)
            forms::dpi::forget_dpi(handle());
        break;
    case WM_DPICHANGED: // like the window kind: placed at the new DPI, the units laid out again
        if (kind == kinds::Form) {
            forms::dpi::move_to_dpi(handle(), HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            forms::lay_out_units(window_id());
            return 0;
        }
        break;
    case WM_CLOSE:
        if (kind == kinds::Form) {
            forms::request_close(window_id());
            return 0;
        }
        break;
    case WM_COMMAND: {
        LRESULT result = 0;
        if (reflect_notification(msg, wp, lp, result))
            return result;
        break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (kind == kinds::Push) {
            LRESULT result = WindowObject::on_message(msg, wp, lp);
            raise_event(msg == WM_SETFOCUS ? -7 : -8);
            return result;
        }
        break;
    default:
        break;
    }
    return WindowObject::on_message(msg, wp, lp);
}

void register_test_kinds() {
    g_baselib[0] = type_record<kinds::Form>(0x800000D0, kFormProps);
    g_baselib[1] = type_record<kinds::Label>(0x80000040, kPlainProps);
    g_baselib[2] = type_record<kinds::Push>(0x80000840, kPlainProps);
    g_baselib[3] = type_record<kinds::Hidden>(0x80008040, kPlainProps);
    g_baselib[4] = type_record<kinds::Probe>(0x80000040, kProbeProps);
    g_baselib[5] = type_record<kinds::Panel>(0x801000C0, kRecreateProps);
    g_baselib[6] = type_record<kinds::Fixed>(0x80000050, kRecreateProps);
    g_baselib[7] = type_record<kinds::Mute>(0x80000000, kPlainProps);
    g_baselib[8] = type_record<kinds::Broken>(0x80000040, kPlainProps);
    g_baselib[9] = UnitTypeRecord{}; // NoRoutine: an entry without interface routine
    g_baselib[20] = type_record<kinds::Pages>(0x80000140, kPagesProps);
    g_uilib[4] = type_record<kinds::Trans>(0x00012040, kPlainProps);
    set_library_data_types(Library::Base, g_baselib, 21);
    set_library_data_types(Library::Ui, g_uilib, 5);
    forms::set_selected_page_query(selected_page);
}

uint32_t units_created() {
    return g_created;
}

TestUnit* test_unit(uint32_t window_id, uint32_t unit_id) {
    return dynamic_cast<TestUnit*>(forms::find_unit_object(window_id, unit_id));
}

} // namespace vantor::testing
