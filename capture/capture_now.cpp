// CaptureNow: from the chosen target to the file in the working folder.
#include <algorithm>
#include <string>
#include <utility>

#include "capture/capturer.h"
#include "capture/naming.h"
#include "common/checked.h"
#include "common/error.h"
#include "common/utf8.h"
#include "panel/numeric.h"

namespace dudo {

namespace {

constexpr std::uint32_t kWindowBackground = 0xFFFFFFFFu;  // the surface's background: white

int ColourCodeOf(const std::string& text) {
    static const char* const names[] = {"2Colors", "4Colors", "8Colors", "16Colors", "32Colors",
                                        "64Colors", "128Colors", "216Colors", "256Colors"};
    static const int codes[] = {1, 4, 8, 16, 32, 64, 128, 216, 256};
    for (int i = 0; i < 9; ++i)
        if (text == names[i]) return codes[i];
    return 0;  // "TrueColors" and any other text
}

// Draws `cursor` with its alpha onto `surface`, its top-left corner at (x, y).
void DrawIcon(Picture& surface, const Picture& cursor, int x, int y) {
    for (int cy = 0; cy < cursor.height; ++cy) {
        const long long sy = static_cast<long long>(y) + cy;
        if (sy < 0 || sy >= surface.height) continue;
        for (int cx = 0; cx < cursor.width; ++cx) {
            const long long sx = static_cast<long long>(x) + cx;
            if (sx < 0 || sx >= surface.width) continue;
            const std::uint32_t src = cursor.at(cx, cy);
            const unsigned a = Alpha(src);
            if (a == 0) continue;
            std::uint32_t& dst = surface.row(static_cast<int>(sy))[sx];
            auto mix = [a](unsigned s, unsigned d) { return (s * a + d * (255 - a) + 127) / 255; };
            dst = Rgb(mix(Red(src), Red(dst)), mix(Green(src), Green(dst)), mix(Blue(src), Blue(dst)));
        }
    }
}

}  // namespace

Size ScaledSize(int width, int height, const std::string& scaleText) {
    const double scaleX = NumericValue(scaleText);
    const double scaleY = NumericValue(scaleText);
    const int newHeight = ToInt32(height * scaleY, "scaled height");
    const int newWidth = ToInt32(width * scaleX, "scaled width");
    return {newWidth, newHeight};
}

void Capturer::CaptureNow() {
    const CaptureArea area = WorkOutArea();
    if (area.Width < 0 || area.Height < 0)
        throw Error("指定範圍無效：右下方必須在左上方的右邊和下面 (the bottom-right corner must lie right of and "
                    "below the top-left corner)");

    // 2. Hide the window when asked to.
    bool HiddenForCapture = false;
    if (form_.Check1.value() == 1 && form_.visible()) {
        HiddenForCapture = true;
        form_.setVisible(false);
        platform_.ProcessPendingMessages();
    }
    // A failure from here on brings a window we hid back.
    struct ShowAgain {
        Form1& form;
        bool& hidden;
        ~ShowAgain() {
            if (hidden && !form.visible()) form.setVisible(true);
        }
    } showAgain{form_, HiddenForCapture};

    GrabInto(area);
    SaveCapture();
}

Capturer::CaptureArea Capturer::WorkOutArea() {
    CaptureArea area;
    const std::string& target = form_.Combo1.text();
    if (target == "全螢幕") {
        const Size screen = platform_.ScreenSize();
        area.Width = screen.width;
        area.Height = screen.height;
    } else if (target == "現用視窗") {
        if (const auto rect = platform_.ForegroundWindowRect()) {
            area.X = rect->left;
            area.Y = rect->top;
            area.Width = CheckedSub(rect->right, rect->left, "window width");
            area.Height = CheckedSub(rect->bottom, rect->top, "window height");
        }
    } else if (target == "指定範圍") {
        const double left = NumericValue(form_.Text1(0).text());
        const double top = NumericValue(form_.Text1(1).text());
        const double right = NumericValue(form_.Text1(2).text());
        const double bottom = NumericValue(form_.Text1(3).text());
        area.X = ToInt32(left, "range left X");
        area.Y = ToInt32(top, "range top Y");
        area.Width = ToInt32(right - area.X, "range width");
        area.Height = ToInt32(bottom - area.Y, "range height");
    }
    return area;
}

void Capturer::GrabInto(const CaptureArea& area) {
    PictureBox& surface = form_.Picture1;
    // 3, 4. Clear and size the surface; the toolkit measures it in twips.
    surface.image() = Picture{};
    surface.setWidthTwips(static_cast<float>(CheckedFinite(platform_.TwipsPerPixelX() * area.Width, "surface width")));
    surface.setHeightTwips(static_cast<float>(CheckedFinite(platform_.TwipsPerPixelY() * area.Height, "surface height")));
    // An area wholly on one monitor is covered by the copy below: its white
    // would never be seen, so the memory is only sized, not painted.
    const auto monitors = platform_.Monitors();
    const bool onScreen = std::any_of(monitors.begin(), monitors.end(), [&](const Rect& m) {
        return area.X >= m.left && area.Y >= m.top && area.Width <= m.right - static_cast<long long>(area.X) &&
               area.Height <= m.bottom - static_cast<long long>(area.Y);
    });
    Picture recycled = form_.Engine().ReleasePixels();
    surface.image() = onScreen ? Picture::Sized(area.Width, area.Height, std::move(recycled))
                               : Picture::Filled(area.Width, area.Height, kWindowBackground, std::move(recycled));
    platform_.ProcessPendingMessages();
    // 5. Copy the screen; where the copy draws the pointer itself, it is told.
    if (!surface.image().empty()) platform_.CopyScreen(area.X, area.Y, surface.image(), form_.Check2.value() == 1);
    platform_.ProcessPendingMessages();
    // 6. The pointer.
    if (form_.Check2.value() == 1) DrawPointer(area);
    platform_.ProcessPendingMessages();
    // 7. The drawing becomes the surface's picture.
    surface.Changed(Property::Picture);
}

void Capturer::DrawPointer(const CaptureArea& area) {
    const auto cursor = platform_.Cursor();
    const Point p = platform_.CursorPos();
    if (!cursor) return;
    const int x = CheckedSub(CheckedSub(p.x, cursor->hotspot.x, "pointer x"), area.X, "pointer x");
    const int y = CheckedSub(CheckedSub(p.y, cursor->hotspot.y, "pointer y"), area.Y, "pointer y");
    DrawIcon(form_.Picture1.image(), cursor->image, x, y);
}

void Capturer::SaveCapture() {
    ImageLibrary& engine = form_.Engine();
    // 9, 10. A fresh image, then the surface's pixels.
    engine.NewImage(0, 0, 0xFFFFFF);
    // The surface is not shown: its pixels move to the library rather than
    // being copied, which spares a whole frame of memory and time.
    engine.FromPicture(std::move(form_.Picture1.image()));
    // 11. Colours.
    const int ColourCode = ColourCodeOf(form_.Combo5.text());
    int GreyFlag = 0;
    if (form_.Combo6.text() == "彩色") GreyFlag = 0;
    if (form_.Combo6.text() == "灰階") GreyFlag = 1;
    engine.ReduceColours(ColourCode, 0, GreyFlag);
    // 12. Scale.
    if (NumericValue(form_.Combo4.text()) != 1) {
        platform_.ProcessPendingMessages();
        const int width = engine.ImageWidth();
        const int height = engine.ImageHeight();
        const Size scaled = ScaledSize(width, height, form_.Combo4.text());
        engine.Resize(scaled.width, scaled.height);
        platform_.ProcessPendingMessages();
    }
    // 13. Name and save.
    lastSaved_.reset();
    const std::string& naming = form_.Combo2.text();
    if (naming == "目前時間") {
        lastSaved_ = engine.SaveFile(TimeName(platform_.Now()));
    } else if (naming == "日期時間") {
        lastSaved_ = engine.SaveFile(DateTimeName(platform_.Now()));
    } else if (naming == "開機計數") {
        lastSaved_ = engine.SaveFile(ClockCountName(platform_.SecondsSinceMidnight()));
    } else if (naming == "自訂初值") {
        const int n = CharCount(form_.Text5.text());
        const double v = NumericValue(form_.Text5.text());
        lastSaved_ = engine.SaveFile(CounterName(v, n));
        form_.Text5.setText(CounterName(v + 1, n));
    }
    // 14 runs as the window comes back (see CaptureNow).
}

}  // namespace dudo
