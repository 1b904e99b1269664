// KdeDesktop: KDE Plasma with KWin. Under Wayland the screen comes through
// KWin's own screenshot interface (KwinScreenshot), which serves declared
// programs at once, where Plasma 5.27's portal would show a dialog of its
// own; Print Screen reaches dudo only through KDE's global shortcuts, offered
// once (KdePrintKey). On X11 the screen and the key come through the X
// server. The active window's frame, under Wayland, through KWin's
// scripting. Breeze title bars centre the caption.
// Leaves out: the offer on X11, where dudo sees the key itself.
#pragma once
#include "platform/desktop/desktop.h"

namespace dudo {

class KdeDesktop : public Desktop {
public:
    using Desktop::Desktop;
    Picture LayoutPicture(bool withPointer) override;
    void OfferPrintKey(const std::string& program, const Ask& ask) override;
    bool CentresCaptions() const override { return true; }
    // Under Wayland, as KWin's scripting tells it (KwinActiveWindow).
    std::optional<Rect> FocusedWindow() override;

protected:
    bool ReadPrintKeyOfferPending(const std::string& program) override;
    ScreenSource PreferredSource(bool screenCopy) override;

private:
    Picture KwinPicture(bool withPointer);
};

}  // namespace dudo
