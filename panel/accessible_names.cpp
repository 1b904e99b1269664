#include "panel/accessible_names.h"

#include <map>

namespace dudo {

std::string AccessibleName(const Form1& form, const Control& c) {
    static const std::map<std::string, const char*> names = {
        {"Combo1", "抓圖目標"}, {"Combo2", "檔名選項"}, {"Combo3", "格式選項"}, {"Combo4", "圖像倍率"},
        {"Combo5", "顏色數目"}, {"Combo6", "彩色或灰階"}, {"Text5", "初始值"}, {"Command3", "用滑鼠選取範圍"},
        {"Command4", "作者的話"}};
    static const char* const corners[] = {"左上方 X", "左上方 Y", "右下方 X", "右下方 Y"};
    if (c.name() == "Text1" && c.index() >= 0 && c.index() < 4) return corners[c.index()];
    // The format's parameter is named by its label, which changes with the format.
    if (c.name() == "Text6") return form.Label1(6).caption();
    const auto found = names.find(c.name());
    return found != names.end() ? found->second : c.caption();
}

}  // namespace dudo
