// Form1: the panel window as data. It owns every control in the window's
// creation order, the window-level variables, and the panel's handlers.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/image_library.h"
#include "panel/controls.h"
#include "panel/layout.h"

namespace dudo {

// The window itself: caption, visibility and its outer size.
class Form1 : public Control, public ControlSet {
public:
    // `makeEngine` creates the image library when it is first needed.
    explicit Form1(std::function<std::unique_ptr<ImageLibrary>()> makeEngine = nullptr);

    void setObserverForAll(ControlObserver* observer);

    // Outer height of the window in twips (client area plus menu bar).
    int heightTwips() const { return heightTwips_; }
    void setHeightTwips(int twips);

    // Window-level variables.
    std::int16_t RangePickState = 0;
    bool RegisteredThisRun = false;
    std::unique_ptr<ImageLibrary> ImageEngine;
    // The library instance, created into ImageEngine when it is empty.
    ImageLibrary& Engine();

    // Fills the option lists and puts every list and field at its default.
    void SetDefaults();

    // Capture target and range fields.
    void Combo1_Click();
    void Text1_GotFocus(int Index);
    void Text1_KeyUp(int Index);
    // File-name options.
    void Combo2_Click();
    void Text5_GotFocus();
    void Text5_KeyUp();
    // Format options.
    void Combo3_Click();
    void Text6_GotFocus();
    void Text6_KeyUp();

    // The controls by their designed names.
    ComboBox &Combo1, &Combo2, &Combo3, &Combo4, &Combo5, &Combo6;
    TextBox &Text5, &Text6;
    CheckBox &Check1, &Check2;
    CommandButton &Command1, &Command2, &Command3, &Command4;
    PictureBox &Picture1, &PicIcon;
    Timer& Timer1;
    MenuEntry& mnuNotifyIcon;
    TextBox& Text1(int Index) const { return *text1_.at(Index); }
    Label& Label1(int Index) const { return *label1_.at(Index); }
    MenuEntry& mnuNotifyIconS(int Index) const { return *menuEntries_.at(Index); }

    // Designed sizes, twips.
    static constexpr int kClientWidth = 2895;
    static constexpr int kClientHeight = 4320;
    static constexpr int kMenuBarHeight = 300;

private:
    std::function<std::unique_ptr<ImageLibrary>()> makeEngine_;
    int heightTwips_ = kClientHeight + kMenuBarHeight;
    std::array<TextBox*, 4> text1_;
    std::array<Label*, 11> label1_;
    std::array<MenuEntry*, 2> menuEntries_;
};

}  // namespace dudo
