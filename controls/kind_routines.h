// The routines a kind offers the form engine, written once over the kind's unit
// class and its property table (forms/kind_table.h). The class derives from
// KindUnit (kind_unit.h: `Block`, props()) and provides static create(params),
// write(index, value) and read(index, result), both with the full property index
// (kFirstOwnProperty and up, as props:: names it); it may provide
// current_props() (the values to serialise, when the window holds newer ones)
// and extra_routine(number) (its routines beyond 1, 4, 5, 6 and 9).
#pragma once

#include <cstdint>
#include <string>

#include "controls/common.h"
#include "forms/blocks.h"
#include "forms/kind_table.h"
#include "forms/win32/unit_object.h"
#include "forms/win32/unit_type.h"

namespace vantor::controls {

// The write dispatch every kind shares: the table's row of `index` (the full
// property index) stores the value into `props`, then `apply(index, value)` has
// its effect on the window. Returns the row's re-creation answer; 0 for an index
// the kind does not have.
template <class P, class Apply>
int32_t write_by_table(P& props, int32_t index, const forms::PropValue& value, bool design_mode,
                       Apply&& apply) {
    const forms::PropDef<P>* row = forms::find_property<P>(index);
    if (!row)
        return 0;
    bool changed = forms::store_property(props, *row, value);
    apply(index, value);
    return forms::recreate_after(row->recreate, changed, design_mode);
}

// The read dispatch every kind shares: `live(index, result)` answers for values
// the window holds (true when it filled `result`); otherwise the stored value.
// Returns 1 for a known index, 0 otherwise.
template <class P, class Live>
int32_t read_by_table(const P& props, int32_t index, uint32_t result[2], std::string& scratch,
                      Live&& live) {
    const forms::PropDef<P>* row = forms::find_property<P>(index);
    if (!row)
        return 0;
    if (live(index, result))
        return 1;
    return forms::load_property(props, *row, result, scratch) ? 1 : 0;
}

// The same for a kind whose window holds no newer values than its block.
template <class P>
int32_t read_by_table(const P& props, int32_t index, uint32_t result[2], std::string& scratch) {
    return read_by_table(props, index, result, scratch, [](int32_t, uint32_t*) { return false; });
}

template <class Unit> UnitObject* create_routine(const forms::CreateParams& params) {
    return Unit::create(params);
}

// These kinds never report an error text. The form engine passes the index minus
// kFirstOwnProperty; the unit gets the full index back.
template <class Unit>
int32_t write_routine(UnitObject* unit, int32_t index, const forms::PropValue* value,
                      const char** error_text) {
    if (error_text)
        *error_text = nullptr;
    auto* u = dynamic_cast<Unit*>(unit);
    return u && value ? u->write(index + forms::kFirstOwnProperty, *value) : 0;
}

template <class Unit> bool serialise_routine(UnitObject* unit, uint8_t** block, uint32_t* size) {
    auto* u = dynamic_cast<Unit*>(unit);
    if (!u)
        return false;
    if constexpr (requires { u->current_props(); })
        return hand_out_block(forms::write_block(u->current_props()), block, size);
    else
        return hand_out_block(forms::write_block(u->props()), block, size);
}

template <class Unit> int32_t read_routine(UnitObject* unit, int32_t index, uint32_t result[2]) {
    auto* u = dynamic_cast<Unit*>(unit);
    return u ? u->read(index + forms::kFirstOwnProperty, result) : 0;
}

// Routine 9: the block's texts in stored order; nothing for a block that cannot
// be read.
template <class P>
void enumerate_texts_routine(const uint8_t* block, uint32_t size, forms::TextVisitor visit,
                             void* context) {
    P props;
    if (!forms::read_block(block, size, props))
        return;
    forms::for_each_stored(props, P::kMaxVersion, [&](const auto& field) {
        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, std::string>)
            visit(context, field.c_str(), uint32_t(field.size()));
        return true;
    });
}

template <class F> void* routine_address(F* f) {
    return reinterpret_cast<void*>(f);
}

// The kind's interface routine: routine number -> routine, null for none.
template <class Unit> void* kind_interface(int32_t number) {
    switch (number) {
    case forms::routine::Create:
        return routine_address(&create_routine<Unit>);
    case forms::routine::PropertyWritten:
        return routine_address(&write_routine<Unit>);
    case forms::routine::CurrentData:
        return routine_address(&serialise_routine<Unit>);
    case forms::routine::PropertyRead:
        return routine_address(&read_routine<Unit>);
    case forms::routine::EnumerateTexts:
        return routine_address(&enumerate_texts_routine<typename Unit::Block>);
    default:
        if constexpr (requires { Unit::extra_routine(number); })
            return Unit::extra_routine(number);
        else
            return nullptr;
    }
}

} // namespace vantor::controls
