#include "platform/windows/win32_screen.h"

#include "platform/windows/windows_api.h"
#include <dwmapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/error.h"

namespace dudo::win32 {

namespace {

// A top-down 32-bit DIB section the size of the area, selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down: rows in the surface's order
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (bitmap_) previous_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        if (previous_) SelectObject(dc_, previous_);
        if (bitmap_) DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    bool ok() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    const std::uint32_t* row(int y) const { return static_cast<const std::uint32_t*>(bits_) + std::size_t(y) * width_; }
    void Fill(std::uint32_t pixel) { std::fill_n(static_cast<std::uint32_t*>(bits_), std::size_t(width_) * height_, pixel); }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void* bits_ = nullptr;
};

}  // namespace

Size ScreenSize() {
    HDC screen = GetDC(nullptr);
    const Size size{GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
    ReleaseDC(nullptr, screen);
    return size;
}

int PixelsPerInch() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

std::optional<Rect> ForegroundWindowRect() {
    HWND window = GetForegroundWindow();
    if (!window) return std::nullopt;
    // The visible frame: GetWindowRect counts the invisible resize borders
    // of current Windows, which would put strips of what lies behind into the
    // picture. It stays the answer where DWM has none (Wine answers E_NOTIMPL).
    RECT r{};
    if (FAILED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &r, sizeof r)) && !GetWindowRect(window, &r))
        return std::nullopt;
    return Rect{r.left, r.top, r.right, r.bottom};
}

std::vector<Rect> Monitors() {
    std::vector<Rect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR, HDC, LPRECT r, LPARAM found) -> BOOL {
        reinterpret_cast<std::vector<Rect>*>(found)->push_back({r->left, r->top, r->right, r->bottom});
        return TRUE;
    }, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) {  // none listed: the virtual screen as one
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        monitors.push_back({left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)});
    }
    return monitors;
}

namespace {

// Copies the part of the area at (x, y) that lies on one monitor. A copy
// that fails (the secure desktop of a permission prompt, the lock screen, a
// locked session) is told: the surface still holds an earlier capture's
// pixels, which must not be saved as a new picture.
void CopyPart(HDC source, int x, int y, const Rect& part, Picture& surface) {
    const int width = part.right - part.left, height = part.bottom - part.top;
    Canvas canvas(width, height);
    if (!source || !canvas.ok() || !BitBlt(canvas.dc(), 0, 0, width, height, source, part.left, part.top, SRCCOPY))
        throw Error("無法擷取螢幕畫面 (the screen could not be copied: a permission prompt or the lock screen may be showing)");
    for (int row = 0; row < height; ++row) {
        std::uint32_t* to = surface.row(part.top - y + row) + (part.left - x);
        const std::uint32_t* from = canvas.row(row);
        for (int i = 0; i < width; ++i) to[i] = from[i] | 0xFF000000u;  // GDI leaves the fourth byte undefined
    }
}

}  // namespace

void CopyScreen(int x, int y, Picture& surface) {
    // The screen DC spans every monitor, the primary's corner at (0, 0) and
    // others at negative places too.
    HDC source = GetDC(nullptr);
    try {
        CopyScreenFrom(source, x, y, surface);
    } catch (...) {
        if (source) ReleaseDC(nullptr, source);
        throw;
    }
    ReleaseDC(nullptr, source);
}

// Each monitor's part of the area is copied, so what lies on no monitor
// keeps the surface's pixels.
void CopyScreenFrom(HDC source, int x, int y, Picture& surface) {
    for (const Rect& monitor : Monitors())
        if (const Rect part = AreaOnScreen(x, y, surface, monitor); part.right > part.left) CopyPart(source, x, y, part, surface);
}

std::optional<CursorImage> Cursor() {
    // GetCursor answers only for our own thread: the pointer shown over
    // another program comes from GetCursorInfo.
    CURSORINFO info{};
    info.cbSize = sizeof info;
    if (!GetCursorInfo(&info) || !(info.flags & CURSOR_SHOWING) || !info.hCursor) return std::nullopt;
    HICON copy = CopyIcon(info.hCursor);
    if (!copy) return std::nullopt;
    ICONINFO icon{};
    std::optional<CursorImage> result;
    if (GetIconInfo(copy, &icon)) {
        BITMAP mask{};
        GetObjectW(icon.hbmMask, sizeof mask, &mask);
        const int width = mask.bmWidth, height = icon.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
        // Drawn once on black and once on white: the difference is the
        // coverage, which also gives monochrome and inverting cursors an alpha.
        Canvas black(width, height), white(width, height);
        if (width > 0 && height > 0 && black.ok() && white.ok()) {
            black.Fill(0);
            white.Fill(0xFFFFFF);
            DrawIconEx(black.dc(), 0, 0, copy, 0, 0, 0, nullptr, DI_NORMAL);
            DrawIconEx(white.dc(), 0, 0, copy, 0, 0, 0, nullptr, DI_NORMAL);
            CursorImage cursor;
            cursor.image = Picture::Filled(width, height, 0);
            cursor.hotspot = {static_cast<int>(icon.xHotspot), static_cast<int>(icon.yHotspot)};
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t b = black.row(y)[x], w = white.row(y)[x];
                    const int alpha = 255 - std::clamp(int(Green(w)) - int(Green(b)), 0, 255);
                    auto straight = [alpha](int c) { return alpha ? std::min(255, c * 255 / alpha) : 0; };
                    cursor.image.row(y)[x] = (std::uint32_t(alpha) << 24) |
                                             (Rgb(straight(Red(b)), straight(Green(b)), straight(Blue(b))) & 0xFFFFFF);
                }
            result = std::move(cursor);
        }
        DeleteObject(icon.hbmMask);
        if (icon.hbmColor) DeleteObject(icon.hbmColor);
    }
    DestroyIcon(copy);
    return result;
}

}  // namespace dudo::win32
