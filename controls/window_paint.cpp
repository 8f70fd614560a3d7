// Background painting of a window: the mapped BackColor and the BackPicture in
// its four PictureModes, decoded once and kept until the picture changes.
#include "controls/window_kind.h"

#include "controls/dpi.h"

namespace vantor::controls {

namespace {

void fill(HDC dc, const RECT& r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// Fills the clip box except `picture`, which has just been drawn.
void fill_around(HDC dc, const RECT& clip, const RECT& picture, COLORREF color) {
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, picture.left, picture.top, picture.right, picture.bottom);
    fill(dc, clip, color);
    RestoreDC(dc, saved);
}

// The picture at (x, y) in w x h pixels: copied when that is its own size,
// else stretched.
void draw_picture(HDC dc, int x, int y, int w, int h, HDC picture, int pw, int ph) {
    if (w == pw && h == ph)
        BitBlt(dc, x, y, w, h, picture, 0, 0, SRCCOPY);
    else
        StretchBlt(dc, x, y, w, h, picture, 0, 0, pw, ph, SRCCOPY);
}

BOOL CALLBACK tell_colors_changed(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

} // namespace

void WindowUnit::drop_picture() {
    if (composed_)
        DeleteObject(composed_);
    composed_ = nullptr;
    picture_ = Pixels{};
    picture_decoded_ = false;
    picture_failed_ = false;
}

HBITMAP WindowUnit::picture_bitmap(COLORREF background) {
    if (props_.BackPicture.empty() || picture_failed_)
        return nullptr;
    if (!picture_decoded_) {
        picture_decoded_ =
            decode_pixels(props_.BackPicture.data(), uint32_t(props_.BackPicture.size()), picture_);
        picture_failed_ = !picture_decoded_;
        if (!picture_decoded_)
            return nullptr;
    }
    // Transparent parts take the current BackColor, so the composition follows it.
    if (!composed_ || composed_color_ != background) {
        if (composed_)
            DeleteObject(composed_);
        composed_ = compose_bitmap(picture_, background);
        composed_color_ = background;
    }
    return composed_;
}

void WindowUnit::on_colors_changed(bool forward) {
    // Only top-level windows hear of it; the common controls (the spin's
    // up-down) keep colours of their own until told.
    if (forward)
        EnumChildWindows(handle(), tell_colors_changed, 0);
    RedrawWindow(handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void WindowUnit::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(handle(), &ps);
    if (dc)
        paint_background(dc, ps.rcPaint);
    EndPaint(handle(), &ps);
}

void WindowUnit::paint_background(HDC dc, const RECT& clip) {
    // In high contrast the system's face colour, whatever colour is stored.
    const COLORREF back = scheme_color(map_back_color(props_.BackColor), COLOR_BTNFACE);
    HBITMAP picture = picture_bitmap(back);
    if (!picture) {
        fill(dc, clip, back);
        return;
    }
    RECT client;
    GetClientRect(handle(), &client);
    const int cw = client.right, ch = client.bottom;
    // Its natural size is in stored units: its pixel size grows with the DPI.
    const int natural_w = picture_.width, natural_h = picture_.height;
    const int32_t dpi = dpi_of(handle());
    const int pw = std::max(1, scaled(natural_w, dpi)), ph = std::max(1, scaled(natural_h, dpi));
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, picture);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    namespace mode = forms::choice::PictureMode;
    switch (props_.PictureMode) {
    case mode::Tiled: // tiled from (0, 0), only the tiles that meet the clip box
        for (int y = clip.top - clip.top % ph; y < clip.bottom && y < ch; y += ph)
            for (int x = clip.left - clip.left % pw; x < clip.right && x < cw; x += pw)
                draw_picture(dc, x, y, pw, ph, mem, natural_w, natural_h);
        break;
    case mode::Centred: { // centred, shrunk uniformly when larger than the client area
        int w = pw, h = ph;
        if (pw > cw || ph > ch) {
            double scale = std::min(double(cw) / pw, double(ch) / ph);
            w = int(pw * scale);
            h = int(ph * scale);
        }
        RECT dest{(cw - w) / 2, (ch - h) / 2, 0, 0};
        dest.right = dest.left + w;
        dest.bottom = dest.top + h;
        StretchBlt(dc, dest.left, dest.top, w, h, mem, 0, 0, natural_w, natural_h, SRCCOPY);
        fill_around(dc, clip, dest, back);
        break;
    }
    case mode::Stretched: // stretched over the client area
        StretchBlt(dc, 0, 0, cw, ch, mem, 0, 0, natural_w, natural_h, SRCCOPY);
        break;
    default: { // TopLeft: at natural size
        RECT dest{0, 0, pw, ph};
        draw_picture(dc, 0, 0, pw, ph, mem, natural_w, natural_h);
        fill_around(dc, clip, dest, back);
        break;
    }
    }
    SelectObject(mem, old);
    DeleteDC(mem);
}

} // namespace vantor::controls
