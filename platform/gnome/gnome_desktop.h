// GnomeDesktop: GNOME Shell, under Wayland or X11. Under Wayland the screen
// comes through the desktop portal, as mutter offers no screen copy of its
// own to other programs; on X11 through the X server. The shell keeps Print
// Screen for its screenshot UI in both sessions: the offer to give the key
// to dudo is made once (GnomePrintKey). The shell tells windows only to its
// own tools: under Wayland the focused window comes through a small
// extension of ours, offered once too (GnomeWindowExtension), and is
// refused with how to turn it on without it. Its title bars centre the caption.
#pragma once
#include "platform/desktop/desktop.h"

namespace dudo {

class GnomeDesktop : public Desktop {
public:
    using Desktop::Desktop;
    void OfferPrintKey(const std::string& program, const Ask& ask) override;
    bool CentresCaptions() const override { return true; }
    std::optional<Rect> FocusedWindow() override;

protected:
    bool ReadPrintKeyOfferPending(const std::string& program) override;
};

}  // namespace dudo
