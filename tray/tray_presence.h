// Hiding the panel to the tray and bringing it back: the tray icon's events
// and its popup menu.
#pragma once
#include <functional>

#include "panel/form1.h"
#include "platform/platform.h"
#include "tray/notify_icon.h"

namespace dudo {

// Handles standing for PicIcon's window and picture in the icon record.
constexpr std::uint32_t kPicIconWindow = 1;
constexpr std::uint32_t kPicIconPicture = 1;

class TrayPresence {
public:
    TrayPresence(Form1& form, Platform& platform, MyNotifyIconEx& icon, std::function<void()> closeWindow)
        : form_(form), platform_(platform), icon_(icon), closeWindow_(std::move(closeWindow)) {}

    void Command2_Click();
    void PicIcon_MouseMove(int Button, int Shift, double X, double Y);
    void mnuNotifyIconS_Click(int Index);

private:
    Form1& form_;
    Platform& platform_;
    MyNotifyIconEx& icon_;
    std::function<void()> closeWindow_;
};

}  // namespace dudo
