// The capture target and the four range fields.
#include "common/utf8.h"
#include "panel/form1.h"
#include "panel/numeric.h"

namespace dudo {

void Form1::Combo1_Click() {
    const bool show = Combo1.text() == "指定範圍";
    Label1(3).setVisible(show);
    Label1(4).setVisible(show);
    for (Control* control : controls()) {
        if (control->name() == "Text1") control->setVisible(show);
        if (control->name() == "Command3") Command3.setVisible(show);
    }
}

void Form1::Text1_GotFocus(int Index) {
    TextBox& field = Text1(Index);
    field.setSelStart(0);
    field.setSelLength(CharCount(field.text()));
}

void Form1::Text1_KeyUp(int Index) {
    TextBox& field = Text1(Index);
    const double v = NumericValue(field.text());
    if (v <= 0) {
        field.setText("0");
        Text1_GotFocus(Index);
    }
    field.setText(NumberText(NumericValue(field.text())));
}

}  // namespace dudo
