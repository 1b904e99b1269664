#include "panel/layout.h"

#include "common/error.h"

namespace dudo {

const std::vector<ControlDesign>& DesignedLayout() {
    using K = Kind;
    static const std::vector<ControlDesign> layout = {
        {K::ComboBox, "Combo6", -1, "", {2040, 3120, 795, 300}, 30},
        {K::ComboBox, "Combo5", -1, "", {1020, 2760, 1155, 300}, 28},
        {K::ComboBox, "Combo4", -1, "", {1020, 3120, 795, 300}, 27},
        {K::PictureBox, "PicIcon", -1, "", {2040, 1620, 375, 375}, 23},
        {K::TextBox, "Text1", 3, "", {1740, 960, 465, 270}, 22},
        {K::TextBox, "Text1", 2, "", {1020, 960, 465, 270}, 21},
        {K::TextBox, "Text1", 1, "", {1740, 720, 465, 270}, 20},
        {K::Timer, "Timer1", -1, "", {}, -1},
        {K::TextBox, "Text6", -1, "", {1020, 2400, 795, 270}, 18},
        {K::ComboBox, "Combo2", -1, "", {1020, 1320, 1815, 300}, 5},
        {K::CommandButton, "Command3", -1, "8", {2280, 720, 495, 495}, 15},
        {K::TextBox, "Text5", -1, "", {1020, 1680, 795, 270}, 12},
        {K::TextBox, "Text1", 0, "", {1020, 720, 465, 270}, 11},
        {K::CommandButton, "Command1", -1, "程式結束", {1440, 3840, 1335, 375}, 9},
        {K::ComboBox, "Combo3", -1, "", {1020, 2040, 1815, 300}, 7},
        {K::CheckBox, "Check2", -1, "貼上滑鼠", {1680, 3540, 1035, 255}, 4},
        {K::CheckBox, "Check1", -1, "表單隱藏", {600, 3540, 1035, 255}, 3},
        {K::ComboBox, "Combo1", -1, "", {1020, 360, 1815, 300}, 1},
        {K::CommandButton, "Command2", -1, "表單隱藏", {120, 3840, 1335, 375}, 10},
        {K::PictureBox, "Picture1", -1, "", {2400, 1620, 375, 375}, 0},
        {K::CommandButton, "Command4", -1, "◎", {120, 3480, 375, 375}, 25},
        {K::Label, "Label1", 10, "顏色數目：", {120, 2820, 975, 255}, 29},
        {K::Label, "Label1", 9, "圖像倍率：", {120, 3180, 975, 255}, 26},
        {K::Label, "Label1", 8, "抓圖熱鍵：< Print Screen >", {120, 60, 2655, 255}, 24},
        {K::Label, "Label1", 7, "", {1860, 2460, 975, 255}, 19},
        {K::Label, "Label1", 6, "", {120, 2460, 975, 255}, 17},
        {K::Label, "Label1", 5, "　初始值：", {120, 1740, 975, 255}, 16},
        {K::Label, "Label1", 4, "右下方　X:　　　Y:", {120, 1020, 1695, 255}, 14},
        {K::Label, "Label1", 3, "左上方　X:　　　Y:", {120, 780, 1695, 255}, 13},
        {K::Label, "Label1", 2, "格式選項：", {120, 2100, 975, 255}, 8},
        {K::Label, "Label1", 1, "檔名選項：", {120, 1380, 975, 255}, 6},
        {K::Label, "Label1", 0, "抓圖目標：", {120, 420, 975, 255}, 2},
        {K::Menu, "mnuNotifyIcon", -1, "圖示選單", {}, -1},
        {K::Menu, "mnuNotifyIconS", 0, "顯示", {}, -1},
        {K::Menu, "mnuNotifyIconS", 1, "結束", {}, -1},
    };
    return layout;
}

namespace {

std::unique_ptr<Control> Build(const ControlDesign& design) {
    const std::string name = design.name;
    switch (design.kind) {
        case Kind::ComboBox: return std::make_unique<ComboBox>(name, /*editable=*/name == "Combo4");
        case Kind::TextBox: {
            auto field = std::make_unique<TextBox>(name, design.index);
            if (name == "Text1") field->setMaxLength(4);
            return field;
        }
        case Kind::CheckBox: {
            auto box = std::make_unique<CheckBox>(name);
            box->setValue(name == "Check2" ? 1 : 0);
            return box;
        }
        case Kind::Label: return std::make_unique<Label>(name, design.index);
        case Kind::CommandButton: {
            auto button = std::make_unique<CommandButton>(name);
            if (name == "Command3") {
                // The designed glyph is "8" in a symbol font that draws a mouse.
                button->fontFamily = "Wingdings";
                button->fontPoints = 15.75;
            }
            if (name == "Command4") button->toolTip = "作者的話";
            return button;
        }
        case Kind::PictureBox: {
            auto box = std::make_unique<PictureBox>(name);
            box->setVisible(false);
            return box;
        }
        case Kind::Timer: {
            auto timer = std::make_unique<Timer>(name);
            timer->interval = 1;
            return timer;
        }
        case Kind::Menu: return std::make_unique<MenuEntry>(name, design.index);
        case Kind::Form: break;
    }
    throw Error("unknown control kind");
}

}  // namespace

ControlSet::ControlSet() {
    for (const ControlDesign& design : DesignedLayout()) {
        auto control = Build(design);
        control->geometry = design.geometry;
        control->tabIndex = design.tabIndex;
        control->setCaption(design.caption);
        order_.push_back(control.get());
        owned_.push_back(std::move(control));
    }
}

Control* ControlSet::find(const std::string& name, int index) const {
    for (Control* control : order_)
        if (control->name() == name && control->index() == index) return control;
    return nullptr;
}

}  // namespace dudo
