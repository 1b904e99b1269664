// KwinScreenshot: the screen through KWin's own screenshot interface
// (org.kde.KWin.ScreenShot2) on KDE Plasma. Plasma 5.27's portal builds a
// dialog of Plasma's own even for a request without one, and without it
// answers "cancelled"; KWin itself gives the picture at once, through a pipe.
// KWin serves only programs whose desktop file (its Exec, the running
// executable) lists the interface under X-KDE-DBUS-Restricted-Interfaces:
// the installed one does; a copy run from elsewhere declares itself in a
// hidden desktop file of the user's, which KWin reads within moments.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "common/error.h"
#include "imagelib/picture.h"

namespace dudo {

class KwinScreenshot {
public:
    // KWin refused: the running executable is not declared.
    struct NotAllowed : Error {
        using Error::Error;
    };

    // Whether KWin's screenshot interface is on the session bus.
    static bool Offered();
    // The whole workspace in the outputs' own pixels, the pointer drawn in
    // or not. Throws NotAllowed, or dudo::Error when no picture comes.
    static Picture Take(bool withPointer);
    // The bytes of a picture KWin describes so, or none where the sizes or
    // the format (QImage's number) are not ones to read.
    static std::optional<std::size_t> PictureBytes(std::uint32_t width, std::uint32_t height, std::uint32_t stride, std::uint32_t format);
    // Writes the hidden desktop file that declares `executable` to KWin;
    // its path. Throws dudo::Error when it cannot be written.
    static std::string DeclareSelf(const std::string& executable);
    // Removes that file; whether there was one.
    static bool UndeclareSelf();
    // `argument` quoted for an Exec line; throws dudo::Error for what no
    // Exec line can hold.
    static std::string QuotedExecArgument(const std::string& argument);
    // The same for a hidden entry of that file name and name, which runs
    // `executable` with `arguments` (" --capture").
    static std::string Declare(const std::string& fileName, const std::string& name, const std::string& executable,
                               const std::string& arguments);
};

}  // namespace dudo
