// One tick of the poller: Print Screen first, then the left button for
// range picking.
#include "capture/capturer.h"
#include "panel/numeric.h"

namespace dudo {

void Capturer::Command3_Click() {
    form_.RangePickState = 1;
    FollowRangePicking();
}

void Capturer::FollowRangePicking() {
    platform_.FollowRangePicking(form_.RangePickState != 0, [this] { form_.RangePickState = 0; });
}

void Capturer::Timer1_Timer() {
    // A tick that falls due inside a capture's message pass does nothing:
    // the keys are not asked, so a press made meanwhile stays reported
    // ("pressed since the last query") and the first tick after the capture
    // takes it.
    if (capturing_) return;
    if (PrintScreenPressed()) {
        capturing_ = true;
        const std::string caption = form_.caption();
        form_.setCaption("存檔中 ......");
        // The caption comes back and the guard opens also when the capture fails.
        struct Restore {
            Capturer& self;
            const std::string& caption;
            ~Restore() {
                self.capturing_ = false;
                self.form_.setCaption(caption);
            }
        } restore{*this, caption};
        platform_.ProcessPendingMessages();
        CaptureNow();
    }
    if (platform_.AsyncKeyState(VK_LBUTTON) == 0) return;
    PickRange();
}

// The key counts once for each press, not on every tick that finds it
// held: a press of a tenth of a second spans several ticks.
bool Capturer::PrintScreenPressed() {
    const std::uint16_t state = platform_.AsyncKeyState(VK_SNAPSHOT);
    return printScreen_.CountsAsPressed(state, platform_.Milliseconds(), state ? platform_.KeyboardRepeat() : std::nullopt);
}

void Capturer::PickRange() {
    if (form_.RangePickState == 1) {
        const Point p = platform_.CursorPos();
        form_.Text1(0).setText(NumberText(p.x));
        form_.Text1(1).setText(NumberText(p.y));
        form_.RangePickState = 2;
    } else if (form_.RangePickState == 2) {
        const Point p = platform_.CursorPos();
        const double left = NumericValue(form_.Text1(0).text());
        const double top = NumericValue(form_.Text1(1).text());
        if (left < p.x && top < p.y) {
            form_.Text1(2).setText(NumberText(p.x));
            form_.Text1(3).setText(NumberText(p.y));
            form_.RangePickState = 0;
            FollowRangePicking();
        } else {
            form_.Text1(2).setText("0");
            form_.Text1(3).setText("0");
        }
    }
}

}  // namespace dudo
