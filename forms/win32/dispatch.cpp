#include "forms/win32/dispatch.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "forms/win32/engine.h"
#include "forms/win32/engine_internal.h"
#include "runtime/call.h"
#include "runtime/fatal.h"
#include "runtime/win32/kernel.h"

namespace vantor::forms {

namespace {

using namespace detail;

constexpr uint32_t kMaxShortArgs = 5;
constexpr uint32_t kMaxTypedArgs = 12;
constexpr uint32_t kMaxWords = 2 * kMaxTypedArgs;

// One frame per running handler, innermost last: where set_handler_result
// puts its value while handlers nest (a handler that pumps messages).
struct ResultFrame {
    bool has_result = false;
    uint64_t value = 0;
};
std::vector<ResultFrame> g_frames;

// Calls `handler` with exactly `count` 32-bit words (cdecl: the caller removes
// them, so the handler may declare fewer).
template <size_t... I>
void call_with(uint32_t handler, const uint32_t* words, std::index_sequence<I...>) {
    using Routine = void (*)(decltype(I, uint32_t())...);
    reinterpret_cast<Routine>(uintptr_t(handler))(words[I]...);
}

template <size_t... N> constexpr auto make_callers(std::index_sequence<N...>) {
    using Caller = void (*)(uint32_t, const uint32_t*);
    return std::array<Caller, sizeof...(N)>{[](uint32_t handler, const uint32_t* words) {
        call_with(handler, words, std::make_index_sequence<N>());
    }...};
}

constexpr auto kCallers = make_callers(std::make_index_sequence<kMaxWords + 1>());

// Runs the handler, then clears the current event window (an inner handler
// clears it for the outer one too). Returns the result frame.
ResultFrame run_handler(uint32_t handler, const uint32_t* words, uint32_t count) {
    g_frames.push_back({});
    kCallers[std::min(count, kMaxWords)](handler, words);
    ResultFrame frame = g_frames.back();
    g_frames.pop_back();
    FormEngineKernel::set_current_event(0, 0);
    return frame;
}

// Typed argument words: by reference the address alone; flag bit 1 and the
// 8-byte types both words; a byte zero-extended, a short sign-extended; else
// the low word.
uint32_t push_typed(const TypedArgument& a, uint32_t* out) {
    out[0] = a.low;
    if (a.flags & arg_flag::ByReference)
        return 1;
    switch (a.flags & arg_flag::BothWords ? type::Long : a.type) {
    case kBothWordsType:
    case type::DateTime:
    case type::Pair64:
    case type::Long:
    case type::Double:
        out[1] = a.high;
        return 2;
    case type::Byte:
        out[0] = a.low & 0xFF;
        return 1;
    case type::Short:
        out[0] = uint32_t(int32_t(int16_t(a.low & 0xFFFF)));
        return 1;
    default:
        return 1;
    }
}

} // namespace

uint32_t find_handler(uint32_t window_id, uint32_t unit_id, int32_t event) {
    if (kernel().events_blocked())
        return 0;
    WindowRecord* w = window_record(window_id);
    if (!w)
        raise_runtime_error(engine_error::kEventWindowMissing, 0);
    auto index = unit_index(*w, unit_id);
    if (!index || is_menu_item_at(*w, *index))
        raise_runtime_error(engine_error::kEventUnitMissing, 0);
    RecordCursor cursor;
    open_unit(*w, *index, cursor);
    uint32_t kind = cursor.get(Field::Kind);
    // Follow the event source; a chain longer than the unit count is a loop.
    uint32_t source_index = *index;
    for (uint32_t steps = 0; steps < w->unit_count; ++steps) {
        uint32_t source = field(*w, source_index, Field::EventSource);
        auto next = source ? find_unit(*w, source) : std::nullopt;
        if (!next || is_menu_item_at(*w, next->index) ||
            field(*w, next->index, Field::Kind) != kind) {
            break;
        }
        source_index = next->index;
    }
    const UnitTypeRecord* type = unit_type_of_kind(kind);
    if (!type || !(type->flags & (type_flag::RaisesEvents | type_flag::RaisesEventsToo))) {
        raise_runtime_error(engine_error::kEventUnitInvalid, 0);
    }
    open_unit(*w, source_index, cursor);
    uint32_t handler = 0;
    if (!cursor.find_binding(event, handler) || handler == 0)
        return 0;
    FormEngineKernel::set_current_event(window_id, unit_id ? unit_id : own_unit_id(*w));
    return handler;
}

namespace {

// Runs the handler bound to the event `record` names with the argument words
// `pack(words)` stores (it returns their count). The handler's result frame;
// nullopt when no handler is bound.
template <class Record, class Pack>
std::optional<ResultFrame> run_bound_handler(const Record& record, Pack&& pack) {
    uint32_t handler = find_handler(record.window_id, record.unit_id, record.event);
    if (!handler)
        return std::nullopt;
    uint32_t words[kMaxWords];
    return run_handler(handler, words, pack(words));
}

} // namespace

bool raise_event(EventRecord& record) {
    std::optional<ResultFrame> frame = run_bound_handler(record, [&record](uint32_t* words) {
        uint32_t count = std::min(record.argc, kMaxShortArgs);
        std::copy(record.args, record.args + count, words);
        return count;
    });
    if (frame && frame->has_result) {
        record.has_result = 1;
        record.result = uint32_t(frame->value);
    }
    return frame.has_value();
}

bool raise_typed_event(TypedEventRecord& record) {
    std::optional<ResultFrame> frame = run_bound_handler(record, [&record](uint32_t* words) {
        uint32_t count = 0;
        for (uint32_t i = 0; i < std::min(record.argc, kMaxTypedArgs); ++i)
            count += push_typed(record.args[i], words + count);
        return count;
    });
    if (frame && frame->has_result) {
        record.has_result = 1;
        record.result_low = uint32_t(frame->value);
        record.result_high = uint32_t(frame->value >> 32);
    }
    return frame.has_value();
}

bool raise_vetoable(uint32_t window_id, uint32_t unit_id, int32_t event) {
    EventRecord record{};
    record.window_id = window_id;
    record.unit_id = unit_id;
    record.event = event;
    return raise_event(record) && record.has_result && record.result == 0;
}

void set_handler_result(uint32_t value) {
    set_handler_result64(value);
}

void set_handler_result64(uint64_t value) {
    if (g_frames.empty())
        return;
    g_frames.back() = {true, value};
}

void handler_result_command(TypedValue* result, int32_t argc, const TypedValue* args) {
    TypedValue value = argument(argc, args, 0);
    set_handler_result64(as_u64(value));
    *result = kOmitted;
}

} // namespace vantor::forms
