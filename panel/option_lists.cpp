// The fixed option lists and the defaults. The panel visits its controls in
// creation order; that order matters, because setting a pick-only list's text
// runs its selection handler, which may rewrite fields visited earlier.
#include <map>
#include <string>
#include <vector>

#include "panel/form1.h"

namespace dudo {

namespace {

const std::map<std::string, std::vector<std::string>>& OptionLists() {
    static const std::map<std::string, std::vector<std::string>> lists = {
        {"Combo1", {"全螢幕", "現用視窗", "指定範圍"}},
        {"Combo2", {"目前時間", "日期時間", "開機計數", "自訂初值"}},
        {"Combo3", {"Png", "Bmp", "Jpeg", "Gif"}},
        {"Combo4", {"1", "0.75", "1.25"}},
        {"Combo5", {"TrueColors", "2Colors", "4Colors", "8Colors", "16Colors", "32Colors", "64Colors", "128Colors",
                    "216Colors", "256Colors"}},
        {"Combo6", {"彩色", "灰階"}},
    };
    return lists;
}

}  // namespace

void Form1::SetDefaults() {
    for (Control* control : controls()) {
        const std::string kind = control->kindName();
        if (kind == "ComboBox") {
            auto& list = static_cast<ComboBox&>(*control);
            list.clear();
            for (const std::string& item : OptionLists().at(list.name())) list.addItem(item);
            list.setText(list.item(0));
        } else if (kind == "TextBox") {
            static_cast<TextBox&>(*control).setText("0");
        }
    }
}

}  // namespace dudo
