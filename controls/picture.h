// Pictures and icons from stored data (BMP, JPEG, GIF, PNG, icon and cursor
// files), decoded through the platform's decoders (WIC, the icon maker).
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace vantor::controls {

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

} // namespace vantor::controls
