#include "controls/dpi.h"

#include <cstring>

#include "controls/common.h"
#include "forms/win32/dpi_win32.h"

namespace vantor::controls {

namespace {

namespace dpi = forms::dpi;

// The stock user-interface font at `dpi`; null at the system's DPI.
HFONT default_font_at(int32_t target) {
    const int32_t system = dpi::system_dpi();
    if (target == system)
        return nullptr;
    LOGFONTW lf{};
    if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf))
        return nullptr;
    lf.lfHeight = dpi::mul_div(lf.lfHeight, target, system);
    lf.lfWidth = dpi::mul_div(lf.lfWidth, target, system);
    return CreateFontIndirectW(&lf);
}

} // namespace

int32_t dpi_of(HWND hwnd) {
    return dpi::window_dpi(hwnd);
}

int32_t scaled(int32_t stored, int32_t target) {
    return dpi::to_pixels(stored, target);
}

int32_t metric_for(int index, int32_t target) {
    return target == 0 ? GetSystemMetrics(index) : dpi::metric_at(index, target);
}

HFONT realise_font_at(const std::vector<uint8_t>& font, int32_t target) {
    target = dpi::valid_dpi(target);
    if (font.size() == sizeof(forms::LogFont)) {
        forms::LogFont stored;
        std::memcpy(&stored, font.data(), sizeof stored);
        const forms::LogFont at_dpi = dpi::font_at(stored, target);
        std::vector<uint8_t> bytes(sizeof at_dpi);
        std::memcpy(bytes.data(), &at_dpi, sizeof at_dpi);
        if (HFONT realised = realise_font(bytes))
            return realised;
    }
    return default_font_at(target);
}

} // namespace vantor::controls
