// The capture engine: the Print Screen poller, range picking with the mouse,
// and CaptureNow, which grabs the chosen area and saves it as a file.
#pragma once
#include <filesystem>
#include <optional>

#include "capture/key_press.h"
#include "panel/form1.h"
#include "platform/platform.h"

namespace dudo {

// The picture size after scaling by the number in `scaleText` (Combo4).
Size ScaledSize(int width, int height, const std::string& scaleText);

class Capturer {
public:
    Capturer(Form1& form, Platform& platform) : form_(form), platform_(platform) {}

    void Timer1_Timer();
    void Command3_Click();
    void CaptureNow();

    // The file the last capture wrote, if it wrote one.
    const std::optional<std::filesystem::path>& lastSaved() const { return lastSaved_; }

    // The screen rectangle CaptureNow grabs for the chosen target, from the
    // panel's fields. Throws OverflowError when the texts give no 32-bit size.
    struct CaptureArea {
        int X = 0, Y = 0, Width = 0, Height = 0;
    };
    CaptureArea WorkOutArea();

private:
    void GrabInto(const CaptureArea& area);
    void DrawPointer(const CaptureArea& area);
    void SaveCapture();
    bool PrintScreenPressed();
    void PickRange();
    // The platform follows the picking: where it takes the clicks itself,
    // the user may give up there.
    void FollowRangePicking();

    Form1& form_;
    Platform& platform_;
    bool capturing_ = false;  // a capture is running; nested ticks wait
    KeyPress printScreen_;
    std::optional<std::filesystem::path> lastSaved_;
};

}  // namespace dudo
