// Desktop: what a desktop adds to the window system beneath the toolkit, in
// the program's own terms: where the screen comes from, the focused window
// where the window system cannot tell it, the offer to give Print Screen to
// the program and its undo, and how its title bars show a caption. One per
// session, chosen once (desktops.cpp) beside the window system; X11 and
// Wayland use the same one. A desktop is a folder of its own under
// platform/; adding one is that folder and a line in the chooser.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "imagelib/picture.h"
#include "platform/platform.h"

namespace dudo {

// Where the screen's pixels come from.
enum class ScreenSource {
    WindowSystem,  // its own copy: X11 shared memory, the compositor's wlr-screencopy
    KWin,          // KWin's screenshot interface: a picture of the whole layout
    Portal,        // the desktop portal's screenshot: a picture of the whole layout
};

class Desktop {
public:
    explicit Desktop(bool wayland) : wayland_(wayland) {}
    virtual ~Desktop() = default;

    // The toolkit's application exists (the bus is reached through it):
    // where the screen comes from from now on; `screenCopy` where the window
    // system copies it itself. DUDO_SCREEN_COPY=portal asks for the portal.
    // Throws dudo::Error with a message for the user where nothing copies it.
    ScreenSource ChooseSource(bool screenCopy);
    ScreenSource source() const { return source_; }
    // The whole layout, for the KWin and portal sources. Throws dudo::Error
    // when no picture comes; what the user must do first is told at once.
    virtual Picture LayoutPicture(bool withPointer);

    // The focused window's frame in the layout's logical units; none where
    // no window has the focus. Asked on Wayland only (an X11 server tells it
    // itself); throws dudo::Error saying why where the desktop does not tell.
    virtual std::optional<Rect> FocusedWindow();

    // Once the panel shows: the offer, made once, to give Print Screen to
    // the program; `ask` shows the question and tells the answer. Throws
    // dudo::Error when taking it up fails.
    using Ask = std::function<bool(const std::string& question)>;
    virtual void OfferPrintKey(const std::string& /*program*/, const Ask&) {}
    // Whether that offer is still to come: until it is answered, the notice
    // that another program also reacts to Print Screen waits. The desktop's
    // settings are read for it once a run, and the offer goes by that answer.
    bool PrintKeyOfferPending(const std::string& program);

    // Whether title bars centre the caption between buttons on both sides,
    // cutting what does not fit: the panel then makes room for it.
    virtual bool CentresCaptions() const { return false; }

    // What the user must know at once (a question the desktop asks first).
    std::function<void(const std::string&)> tell = [](const std::string&) {};

protected:
    // Where the screen comes from on this desktop, unless the user asks.
    virtual ScreenSource PreferredSource(bool screenCopy);
    // Read from the desktop's settings: none runs `program --capture` on
    // Print, and the user has not answered the offer.
    virtual bool ReadPrintKeyOfferPending(const std::string& /*program*/) { return false; }
    bool wayland() const { return wayland_; }

private:
    const bool wayland_;
    ScreenSource source_ = ScreenSource::WindowSystem;
    bool portalAllowed_ = false;  // it gave a picture: no one asks any more
    std::optional<bool> printKeyOfferPending_;
};

// The desktop of this session, from XDG_CURRENT_DESKTOP and what answers
// on the bus (the toolkit's application must exist).
std::unique_ptr<Desktop> MakeDesktop(bool wayland);

// `dudo --restore-print-key`: every desktop's key settings as they were
// before the program took Print Screen, and every file it wrote for a
// desktop removed; says what it did. 0 on success.
int RestoreDesktopSettings();

// Whether XDG_CURRENT_DESKTOP names that desktop (it may name several: "ubuntu:GNOME").
bool CurrentDesktopIs(const std::string& name);

}  // namespace dudo
