// The routines a kind offers the form engine, written once over the kind's unit
// class. The class provides: static create(params), write(index, value),
// read(index, result) and props() (its current values, as stored).
#pragma once

#include <cstdint>

#include "controls/common.h"
#include "forms/blocks.h"
#include "forms/unit_object.h"
#include "forms/unit_type.h"

namespace vantor::controls {

template <class Unit> UnitObject* create_routine(const forms::CreateParams& params) {
    return Unit::create(params);
}

// These kinds never report an error text.
template <class Unit>
int32_t write_routine(UnitObject* unit, int32_t index, const forms::PropValue* value,
                      const char** error_text) {
    if (error_text)
        *error_text = nullptr;
    auto* u = dynamic_cast<Unit*>(unit);
    return u ? u->write(index, value) : 0;
}

template <class Unit> bool serialise_routine(UnitObject* unit, uint8_t** block, uint32_t* size) {
    auto* u = dynamic_cast<Unit*>(unit);
    return u && hand_out_block(forms::write_block(u->props()), block, size);
}

template <class Unit> int32_t read_routine(UnitObject* unit, int32_t index, uint32_t result[2]) {
    auto* u = dynamic_cast<Unit*>(unit);
    return u ? u->read(index, result) : 0;
}

} // namespace vantor::controls
