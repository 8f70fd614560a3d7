// The base of every kind's unit class: what kind_routines.h expects of it
// (Block, props()), what each kind's reads and writes work on, and the
// accessible object of the kinds that answer screen readers themselves.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "controls/accessible.h"
#include "forms/win32/unit_object.h"
#include "forms/win32/unit_type.h"

namespace vantor::controls {

template <class P> class KindUnit : public UnitObject {
  public:
    using Block = P;

    // The values as stored (the window may hold newer ones; see current_props).
    const P& props() const { return props_; }

  protected:
    KindUnit(uint32_t window_id, uint32_t unit_id, const forms::UnitTypeRecord* type, P props = P{})
        : UnitObject(window_id, unit_id, type), props_(std::move(props)) {}

    P props_;
    std::string scratch_; // holds the text a read hands out, until the next read
    // Made on a screen reader's first query (WM_GETOBJECT), ended with the unit,
    // right after its window.
    AccessibleExport accessible_;
};

} // namespace vantor::controls
