#include "controls/picture.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <tuple>

#include "controls/dpi.h"
#include "controls/on_demand.h"
#include "forms/mouse_pointer.h"

namespace vantor::controls {

namespace {

// Owns one COM interface pointer.
template <class T> struct ComRef {
    T* p = nullptr;
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p)
            p->Release();
    }
    T* operator->() const { return p; }
    T** out() { return &p; }
};

// ole32 function `name`: the library is loaded from the system directory with
// the first picture decoded (start-up loads its own reference for OLE).
template <class Fn> Fn com_function(const char* name) {
    return on_demand<Fn>("ole32.dll", name);
}

// COM for the calling thread for the length of one decode; a thread that already
// has COM (OLE initialised at start-up) keeps it.
struct ComScope {
    HRESULT hr = E_FAIL;
    ComScope() {
        if (auto initialise = com_function<decltype(&CoInitializeEx)>("CoInitializeEx"))
            hr = initialise(nullptr, COINIT_APARTMENTTHREADED);
    }
    ~ComScope() {
        if (SUCCEEDED(hr))
            com_function<decltype(&CoUninitialize)>("CoUninitialize")();
    }
};

// Larger pictures are refused rather than risking an allocation the 32-bit
// address space cannot give.
constexpr uint64_t kMaxPixels = 32u * 1024 * 1024;

bool wic_decode(const uint8_t* data, uint32_t size, Pixels& out) {
    ComScope com;
    ComRef<IWICImagingFactory> factory;
    const auto create = com_function<decltype(&CoCreateInstance)>("CoCreateInstance");
    if (!create || FAILED(create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()))))
        return false;
    ComRef<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), size)))
        return false;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.out())) ||
        FAILED(decoder->GetFrame(0, frame.out())) ||
        FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return false;
    UINT w = 0, h = 0;
    if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 0x7FFF || h > 0x7FFF ||
        uint64_t(w) * h > kMaxPixels)
        return false;
    try {
        out.bgra.assign(size_t(w) * h, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4,
                                     reinterpret_cast<BYTE*>(out.bgra.data()))))
        return false;
    out.width = int(w);
    out.height = int(h);
    return true;
}

// ---- icon files -------------------------------------------------------------------

#pragma pack(push, 1)
struct IconDirEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bit_count;
    DWORD bytes, offset;
};
#pragma pack(pop)
static_assert(sizeof(IconDirEntry) == 16);

struct IconImage {
    const uint8_t* data;
    uint32_t size;
    int width;
    int bits;
    bool png;
};

bool is_png(const uint8_t* data, uint32_t size) {
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return size >= 8 && std::memcmp(data, sig, 8) == 0;
}

// A stored DIB image must hold its header, palette and both masks, or the
// platform's icon maker would read past the entry.
bool dib_image_fits(const uint8_t* data, uint32_t size) {
    if (size < sizeof(BITMAPINFOHEADER))
        return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size || h.biWidth <= 0 ||
        h.biWidth > 1024 || h.biHeight <= 0 || h.biHeight > 2048 || h.biPlanes != 1)
        return false;
    uint32_t bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    uint64_t colors = bits <= 8 ? (h.biClrUsed ? h.biClrUsed : (1u << bits)) : 0;
    if (colors > 256)
        return false;
    uint64_t w = uint64_t(h.biWidth), rows = uint64_t(h.biHeight) / 2;
    uint64_t xor_bytes = ((w * bits + 31) / 32) * 4 * rows;
    uint64_t and_bytes = ((w + 31) / 32) * 4 * rows;
    return h.biSize + colors * 4 + xor_bytes + and_bytes <= size;
}

// The usable images of an icon or cursor file; empty when the data is not one.
std::vector<IconImage> icon_images(const uint8_t* data, uint32_t size) {
    std::vector<IconImage> images;
    if (!is_icon_file(data, size))
        return images;
    uint32_t count = uint32_t(data[4]) | uint32_t(data[5]) << 8;
    for (uint32_t i = 0; i < count && 6 + (i + 1) * 16 <= size; ++i) {
        IconDirEntry e;
        std::memcpy(&e, data + 6 + i * 16, sizeof e);
        if (e.offset >= size || e.bytes > size - e.offset || e.bytes == 0)
            continue;
        IconImage img{data + e.offset, e.bytes, e.width ? e.width : 256, e.bit_count, false};
        img.png = is_png(img.data, img.size);
        if (!img.png && !dib_image_fits(img.data, img.size))
            continue;
        if (!img.png && img.bits == 0) {
            WORD bits;
            std::memcpy(&bits, img.data + 14, 2); // biBitCount
            img.bits = bits;
        }
        images.push_back(img);
    }
    return images;
}

// The image closest to `want` pixels (the larger on a tie, then the deeper);
// want 0 picks the largest.
const IconImage* pick_image(const std::vector<IconImage>& images, int want) {
    const IconImage* best = nullptr;
    auto key = [want](const IconImage& i) {
        int distance = want ? std::abs(i.width - want) : 1024 - i.width;
        return std::make_tuple(distance, i.width < want ? 1 : 0, -i.bits);
    };
    for (const IconImage& i : images) {
        if (!best || key(i) < key(*best))
            best = &i;
    }
    return best;
}

// An icon from straight-alpha pixels: the colour bitmap carries the alpha, the
// mask marks the fully transparent pixels for devices that ignore alpha.
HICON icon_from_pixels(const Pixels& px) {
    BITMAPV5HEADER h{};
    h.bV5Size = sizeof h;
    h.bV5Width = px.width;
    h.bV5Height = -px.height;
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = BI_BITFIELDS;
    h.bV5RedMask = 0x00FF0000;
    h.bV5GreenMask = 0x0000FF00;
    h.bV5BlueMask = 0x000000FF;
    h.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!color)
        return nullptr;
    std::memcpy(bits, px.bgra.data(), px.bgra.size() * 4);
    int stride = ((px.width + 15) / 16) * 2;
    std::vector<uint8_t> mask_bits(size_t(stride) * px.height, 0);
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x)
            if ((px.bgra[size_t(y) * px.width + x] >> 24) == 0)
                mask_bits[size_t(y) * stride + x / 8] |= uint8_t(0x80 >> (x % 8));
    HBITMAP mask = CreateBitmap(px.width, px.height, 1, 1, mask_bits.data());
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = mask ? CreateIconIndirect(&info) : nullptr;
    DeleteObject(color);
    if (mask)
        DeleteObject(mask);
    return icon;
}

// The icon of one image, at `cx` x `cy` (0: the image's own size).
HICON icon_from_image(const IconImage& img, int cx, int cy) {
    HICON icon = nullptr;
    if (img.png) {
        Pixels px;
        if (wic_decode(img.data, img.size, px))
            icon = icon_from_pixels(px);
        if (icon && cx && (px.width != cx || px.height != cy)) {
            HICON scaled =
                static_cast<HICON>(CopyImage(icon, IMAGE_ICON, cx, cy, LR_COPYDELETEORG));
            if (scaled)
                icon = scaled;
        }
        return icon;
    }
    return CreateIconFromResourceEx(const_cast<PBYTE>(img.data), img.size, TRUE,
                                    forms::kIconResourceVersion, cx, cy, LR_DEFAULTCOLOR);
}

// Pixels of any icon: drawn once on black and once on white, the difference
// gives the alpha (this covers both masked and alpha icons).
bool icon_pixels(HICON icon, int w, int h, Pixels& out) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) {
        DeleteDC(dc);
        return false;
    }
    HGDIOBJ old = SelectObject(dc, dib);
    size_t n = size_t(w) * h;
    auto* p = static_cast<uint32_t*>(bits);
    std::vector<uint32_t> on_black(n);
    std::fill(p, p + n, 0u);
    DrawIconEx(dc, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::copy(p, p + n, on_black.begin());
    std::fill(p, p + n, 0x00FFFFFFu);
    DrawIconEx(dc, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    GdiFlush();
    out.width = w;
    out.height = h;
    out.bgra.resize(n);
    for (size_t i = 0; i < n; ++i) {
        uint32_t b = on_black[i], wt = p[i];
        int alpha = 255 - (int((wt >> 8) & 0xFF) - int((b >> 8) & 0xFF));
        alpha = std::clamp(alpha, 0, 255);
        uint32_t px = 0;
        if (alpha > 0) {
            for (int shift = 0; shift <= 16; shift += 8) {
                uint32_t c = std::min(255u, ((b >> shift) & 0xFF) * 255 / uint32_t(alpha));
                px |= c << shift;
            }
        }
        out.bgra[i] = px | uint32_t(alpha) << 24;
    }
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    return true;
}

bool icon_size(HICON icon, int& w, int& h) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return false;
    BITMAP bm{};
    bool ok = GetObjectW(info.hbmMask, sizeof bm, &bm) != 0;
    w = bm.bmWidth;
    h = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return ok && w > 0 && h > 0;
}

// The largest image of an icon file as an icon at its own size.
HICON largest_icon(const uint8_t* data, uint32_t size, int& w, int& h) {
    std::vector<IconImage> images = icon_images(data, size);
    const IconImage* img = pick_image(images, 0);
    if (!img)
        return nullptr;
    HICON icon = icon_from_image(*img, 0, 0);
    if (icon && !icon_size(icon, w, h)) {
        DestroyIcon(icon);
        icon = nullptr;
    }
    return icon;
}

} // namespace

void destroy_icons(std::initializer_list<HICON> icons) {
    for (HICON icon : icons) {
        if (icon)
            DestroyIcon(icon);
    }
}

void Picture::release() {
    if (bitmap)
        DeleteObject(bitmap);
    destroy_icons({icon});
    bitmap = nullptr;
    icon = nullptr;
    width = height = 0;
}

bool is_icon_file(const uint8_t* data, uint32_t size) {
    return data && size >= 6 + 16 && data[0] == 0 && data[1] == 0 &&
           (data[2] == 1 || data[2] == 2) && data[3] == 0 && (data[4] | data[5]) != 0;
}

bool decode_pixels(const uint8_t* data, uint32_t size, Pixels& out) {
    out = Pixels{};
    if (!data || size == 0)
        return false;
    if (is_icon_file(data, size)) {
        int w = 0, h = 0;
        HICON icon = largest_icon(data, size, w, h);
        if (!icon)
            return false;
        bool ok = icon_pixels(icon, w, h, out);
        DestroyIcon(icon);
        return ok;
    }
    return wic_decode(data, size, out);
}

HBITMAP compose_bitmap(const Pixels& px, COLORREF background) {
    if (px.width <= 0 || px.height <= 0)
        return nullptr;
    std::vector<uint32_t> rgb(px.bgra.size());
    const uint32_t bg[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    for (size_t i = 0; i < rgb.size(); ++i) {
        uint32_t s = px.bgra[i], a = s >> 24, v = 0;
        for (int c = 0; c < 3; ++c) {
            uint32_t sc = (s >> (8 * c)) & 0xFF;
            v |= ((sc * a + bg[c] * (255 - a) + 127) / 255) << (8 * c);
        }
        rgb[i] = v;
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = px.width;
    bi.bmiHeader.biHeight = -px.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, px.width, px.height);
    if (bitmap && !SetDIBits(screen, bitmap, 0, UINT(px.height), rgb.data(), &bi, DIB_RGB_COLORS)) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return bitmap;
}

bool decode_picture(const uint8_t* data, uint32_t size, COLORREF background, Picture& out) {
    out = Picture{};
    if (!data || size == 0)
        return false;
    if (is_icon_file(data, size)) {
        out.icon = largest_icon(data, size, out.width, out.height);
        return out.icon != nullptr;
    }
    Pixels px;
    if (!wic_decode(data, size, px))
        return false;
    out.bitmap = compose_bitmap(px, background);
    if (!out.bitmap)
        return false;
    out.width = px.width;
    out.height = px.height;
    return true;
}

bool decode_icon_pair(const uint8_t* data, uint32_t size, HICON& large, HICON& small, int32_t dpi) {
    large = small = nullptr;
    std::vector<IconImage> images = icon_images(data, size);
    if (images.empty())
        return false;
    int lx = metric_for(SM_CXICON, dpi), ly = metric_for(SM_CYICON, dpi);
    int sx = metric_for(SM_CXSMICON, dpi), sy = metric_for(SM_CYSMICON, dpi);
    large = icon_from_image(*pick_image(images, lx), lx, ly);
    small = icon_from_image(*pick_image(images, sx), sx, sy);
    if (large && small)
        return true;
    destroy_icons({large, small});
    large = small = nullptr;
    return false;
}

} // namespace vantor::controls
