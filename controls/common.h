// Conventions the control kinds share: colours, fonts, GDI objects, styles and
// control creation. Pictures and icons: controls/picture.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "forms/win32/unit_type.h"

namespace vantor::controls {

// kButtonFaceColor stands for the system button-face colour; other values are COLORREFs.
COLORREF map_back_color(uint32_t color);

// Whether the user asked for high contrast (SPI_GETHIGHCONTRAST reports
// HCF_HIGHCONTRASTON; every contrast theme of Windows 10 and 11 sets it). The
// kinds then draw in the system's colours instead of their stored ones.
bool high_contrast();
// Test hook: `answer` replaces the system's answer to high_contrast() (null:
// the system answers again); the previous one is returned. Wine neither sets
// nor reports high contrast.
using HighContrastAnswer = bool (*)();
HighContrastAnswer answer_high_contrast(HighContrastAnswer answer);
// The colour to draw: `stored` (a background colour already mapped) outside
// high contrast, the system's colour `role` (COLOR_BTNTEXT, ...) in it.
COLORREF scheme_color(COLORREF stored, int role);

// Realises a stored font: exactly 60 bytes are a LOGFONTA, forced to DEFAULT_CHARSET,
// default precisions, PROOF_QUALITY and pitch 0. Anything else, or a failed
// creation, gives null (the caller uses DEFAULT_GUI_FONT and must not delete it).
HFONT realise_font(const std::vector<uint8_t>& font);
// The font to select: the realised one or the stock DEFAULT_GUI_FONT.
inline HFONT font_or_default(HFONT realised) {
    return realised ? realised : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Owns a GDI object this code created (null: none) and deletes it when it is
// destroyed. replace() hands back the previous object in its own owner, so that
// it is deleted at the end of the caller's scope: after the control was given
// the new one and no longer uses the old.
template <class H> class GdiOwner {
  public:
    GdiOwner() = default;
    explicit GdiOwner(H handle) : handle_(handle) {}
    GdiOwner(GdiOwner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiOwner& operator=(GdiOwner&&) = delete;
    ~GdiOwner() {
        if (handle_)
            DeleteObject(handle_);
    }
    H get() const { return handle_; }
    [[nodiscard]] GdiOwner replace(H handle) { return GdiOwner(std::exchange(handle_, handle)); }

  private:
    H handle_ = nullptr;
};

// A style bit that one stored value sets: `bit` when props.*field == value.
template <class P> using Int32Field = int32_t P::*;
template <class P> struct StyleWhen {
    Int32Field<P> field;
    int32_t value;
    uint32_t bit;
};
// The bits of the rows whose value `props` holds.
template <class P, size_t N> uint32_t style_bits(const P& props, const StyleWhen<P> (&rows)[N]) {
    uint32_t bits = 0;
    for (const StyleWhen<P>& row : rows) {
        if (props.*row.field == row.value)
            bits |= row.bit;
    }
    return bits;
}

// Creates a unit's control where the form engine places it, with the engine's
// styles, WS_CHILD and WS_CLIPSIBLINGS added to `style` and the control id as
// its id. Null when the window cannot be created.
HWND create_control(const forms::CreateParams& p, DWORD ex_style, const char* class_name,
                    const char* text, DWORD style);

// Copies a serialised block into a new runtime block (routine 5's result).
bool hand_out_block(const std::vector<uint8_t>& bytes, uint8_t** block, uint32_t* size);

// Replaces the bits of `mask` in the window's style (or extended style) with `bits`;
// true when the style changed.
bool replace_style(HWND hwnd, int which, uint32_t mask, uint32_t bits);

} // namespace vantor::controls
