#include "controls/common.h"

#include <cstring>

#include "runtime/allocator.h"
#include "runtime/win32/system_text.h"

namespace vantor::controls {

COLORREF map_back_color(uint32_t color) {
    return color == kButtonFaceColor ? GetSysColor(COLOR_BTNFACE) : COLORREF(color);
}

namespace {

bool system_high_contrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

HighContrastAnswer contrast_answer = system_high_contrast;

} // namespace

bool high_contrast() {
    return contrast_answer();
}

HighContrastAnswer answer_high_contrast(HighContrastAnswer answer) {
    return std::exchange(contrast_answer, answer ? answer : system_high_contrast);
}

COLORREF scheme_color(COLORREF stored, int role) {
    return high_contrast() ? GetSysColor(role) : stored;
}

HFONT realise_font(const std::vector<uint8_t>& font) {
    if (font.size() != sizeof(LOGFONTA))
        return nullptr;
    LOGFONTA stored;
    std::memcpy(&stored, font.data(), sizeof stored);
    stored.lfFaceName[LF_FACESIZE - 1] = 0; // stored data need not be terminated
    LOGFONTW lf = system_text::to_wide(stored);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = 0;
    lf.lfClipPrecision = 0;
    lf.lfQuality = PROOF_QUALITY;
    lf.lfPitchAndFamily = 0;
    return CreateFontIndirectW(&lf);
}

HWND create_control(const forms::CreateParams& p, DWORD ex_style, const char* class_name,
                    const char* text, DWORD style) {
    const std::wstring wide_text = system_text::to_wide(text);
    return CreateWindowExW(
        ex_style, system_text::to_wide(class_name).c_str(), text ? wide_text.c_str() : nullptr,
        p.styles | style | WS_CHILD | WS_CLIPSIBLINGS, p.left, p.top, p.width, p.height, p.parent,
        reinterpret_cast<HMENU>(uintptr_t(p.control_id)), GetModuleHandleW(nullptr), nullptr);
}

bool hand_out_block(const std::vector<uint8_t>& bytes, uint8_t** block, uint32_t* size) {
    if (bytes.empty())
        return false;
    auto* p = static_cast<uint8_t*>(mem_alloc(uint32_t(bytes.size())));
    std::memcpy(p, bytes.data(), bytes.size());
    *block = p;
    *size = uint32_t(bytes.size());
    return true;
}

bool replace_style(HWND hwnd, int which, uint32_t mask, uint32_t bits) {
    uint32_t old = uint32_t(GetWindowLongW(hwnd, which));
    uint32_t now = (old & ~mask) | (bits & mask);
    if (now == old)
        return false;
    SetWindowLongW(hwnd, which, LONG(now));
    return true;
}

} // namespace vantor::controls
