// The panel told it now stands on a monitor of another scale, as Windows
// tells a window moved between monitors (Wine never does): every control,
// its font and the frame follow. `dpi_changed 144` exits 0, or prints what
// stayed and exits 1. Run on a desktop, where windows can be made.
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/windows/win32_view.h"

using namespace dudo;

// The frame's width, then each shown control's left, top, width and font height.
static std::vector<LONG> Measures(HWND panel) {
    RECT r{};
    GetWindowRect(panel, &r);
    std::vector<LONG> measures{r.right - r.left};
    for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        LOGFONTW font{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), sizeof font, &font);
        if (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) measures.insert(measures.end(), {r.left, r.top, r.right - r.left, font.lfHeight});
    }
    return measures;
}

int wmain(int argc, wchar_t** argv) {
    const int dpi = argc > 1 ? _wtoi(argv[1]) : 144;
    const double factor = dpi / 96.0;
    Form1 form;
    form.SetDefaults();
    Win32View view(form, {[](const std::function<void()>& handler) { handler(); }, [] {}, [] {}, [] {}}, 15, nullptr, nullptr);
    form.setVisible(true);
    const std::vector<LONG> before = Measures(view.window());
    RECT r{};
    GetWindowRect(view.window(), &r);
    RECT suggested{r.left, r.top, r.left + LONG(std::lround((r.right - r.left) * factor)), r.top + LONG(std::lround((r.bottom - r.top) * factor))};
    SendMessageW(view.window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    const std::vector<LONG> after = Measures(view.window());
    int wrong = before.size() < 2 || before.size() != after.size();
    for (std::size_t i = 0; !wrong && i < before.size(); ++i)
        if (std::abs(before[i] * factor - after[i]) > 1.5) wrong = std::printf("measure %zu: %ld became %ld\n", i, before[i], after[i]);
    return wrong ? 1 : 0;
}
