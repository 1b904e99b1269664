// PortalScreenshot: the screen through the desktop portal's Screenshot
// request, on desktops whose compositor offers no screen copy of its own
// (GNOME, KDE) or where the user asks for it. The portal writes the whole
// desktop to a PNG file and answers with a Response signal on our own
// connection; the file is read, then removed if it is the portal's passing
// copy. It is asked without a dialog. Slower than the screen copy, and
// the desktop decides whether the pointer is drawn in.
#pragma once
#include <QString>
#include <optional>

#include "imagelib/picture.h"

namespace dudo {

class PortalScreenshot {
public:
    // Whether the session bus has a portal that takes screenshots, or one it
    // can start (the toolkit's application must exist).
    static bool Offered();
    // The whole desktop as the portal's file shows it, waiting at most
    // `timeoutMs` for each of its two answers. Throws dudo::Error when the
    // portal refuses or lacks the screenshot, the user cancels, no answer
    // comes or the file cannot be read.
    static Picture Take(int timeoutMs = 30000);

    // The portal's answer, any text taken: the file its "uri" names,
    // resolved, and whether it is the passing copy the portal leaves for us
    // to remove; none for what is not a file there.
    struct File {
        QString path;
        bool passing;
    };
    static std::optional<File> FileOf(const QString& uri);
};

}  // namespace dudo
