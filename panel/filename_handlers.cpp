// The file-name option and the custom counter field.
#include "common/utf8.h"
#include "panel/form1.h"

namespace dudo {

void Form1::Combo2_Click() {
    if (Combo2.text() == "自訂初值") {
        Label1(5).setVisible(true);
        Text5.setVisible(true);
        Text5.setText("0000");
    } else {
        Label1(5).setVisible(false);
        Text5.setVisible(false);
    }
}

void Form1::Text5_GotFocus() {
    // Start after the last character: the caret stands at the end, nothing selected.
    Text5.setSelStart(CharCount(Text5.text()));
    Text5.setSelLength(CharCount(Text5.text()));
}

void Form1::Text5_KeyUp() {}

}  // namespace dudo
