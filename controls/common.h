// Conventions the control kinds share: colours, fonts and pictures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "forms/win32/unit_type.h"

namespace vantor::controls {

// kButtonFaceColor stands for the system button-face colour; other values are COLORREFs.
COLORREF map_back_color(uint32_t color);

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

// A decoded picture (BMP, JPEG, GIF, PNG, icon or cursor data) through the
// platform's decoders.
struct Picture {
    HBITMAP bitmap = nullptr; // for bitmaps and every non-icon format
    HICON icon = nullptr;     // for icon and cursor data
    int width = 0;
    int height = 0;
    void release();
};
// Decodes `data`; transparent parts are filled with `background`. False when the
// data cannot be decoded.
bool decode_picture(const uint8_t* data, uint32_t size, COLORREF background, Picture& out);

// Destroys each icon that is not null.
void destroy_icons(std::initializer_list<HICON> icons);

// Large and small icons from icon-file data (the images closest to the system's
// icon sizes at `dpi`; 0: the system's DPI); false when the data holds no usable icon.
bool decode_icon_pair(const uint8_t* data, uint32_t size, HICON& large, HICON& small,
                      int32_t dpi = 0);

// ---- additions ---------------------------------------------------------------------

// Decoded pixels with straight (not premultiplied) alpha: BGRA words, rows top-down.
// Kept by callers that compose the same picture over changing colours.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> bgra;
};
// Any format decode_picture takes; an icon file gives its largest image.
bool decode_pixels(const uint8_t* data, uint32_t size, Pixels& out);
// A screen-compatible bitmap of `pixels` composed over `background`; null on failure.
HBITMAP compose_bitmap(const Pixels& pixels, COLORREF background);

// True for icon (type 1) and cursor (type 2) file data.
bool is_icon_file(const uint8_t* data, uint32_t size);

// A style bit that one stored value sets: `bit` when props.*field == value.
template <class P> struct StyleWhen {
    int32_t P::*field;
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

// Enumeration values: above `top` become `top`, below 0 become 0.
inline int32_t clamp_choice(int32_t value, int32_t top) {
    return value > top ? top : value < 0 ? 0 : value;
}

// Property value passing (routines 4 and 6).
inline std::string text_of(const forms::PropValue* v) {
    const char* s = v ? reinterpret_cast<const char*>(uintptr_t(v->word0)) : nullptr;
    return s ? std::string(s) : std::string();
}
inline std::vector<uint8_t> bytes_of(const forms::PropValue* v) {
    const uint8_t* p = v ? reinterpret_cast<const uint8_t*>(uintptr_t(v->word0)) : nullptr;
    return p && v->word1 ? std::vector<uint8_t>(p, p + v->word1) : std::vector<uint8_t>();
}
// A 32-bit value as a read routine's result; returns 1 (a known index).
inline int32_t put_word(int32_t v, uint32_t result[2]) {
    result[0] = uint32_t(v);
    result[1] = 0;
    return 1;
}
inline void put_text(const std::string& s, uint32_t result[2]) {
    result[0] = uint32_t(reinterpret_cast<uintptr_t>(s.c_str()));
    result[1] = 0;
}
inline void put_bytes(const std::vector<uint8_t>& b, uint32_t result[2]) {
    result[0] = b.empty() ? 0 : uint32_t(reinterpret_cast<uintptr_t>(b.data()));
    result[1] = uint32_t(b.size());
}
// Copies a serialised block into a new runtime block (routine 5's result).
bool hand_out_block(const std::vector<uint8_t>& bytes, uint8_t** block, uint32_t* size);

// Reports each text to `visit` in order (routine 9 of every kind).
void visit_texts(const std::vector<std::string>& texts, forms::TextVisitor visit, void* context);

// Replaces the bits of `mask` in the window's style (or extended style) with `bits`;
// true when the style changed.
bool replace_style(HWND hwnd, int which, uint32_t mask, uint32_t bits);

} // namespace vantor::controls
