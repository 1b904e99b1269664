// The output format and its one parameter, handed to the image library.
#include "common/checked.h"
#include "common/utf8.h"
#include "panel/form1.h"
#include "panel/numeric.h"

namespace dudo {

void Form1::Combo3_Click() {
    const std::string& format = Combo3.text();
    if (format == "Png") {
        Label1(6).setCaption("壓縮比率：");
        Label1(6).setVisible(true);
        Label1(7).setCaption("1小~7大");
        Label1(7).setVisible(true);
        Text6.setVisible(true);
        Text6.setMaxLength(1);
        Text6.setText("7");
        Engine().SaveFormat(3);
    } else if (format == "Bmp") {
        Label1(6).setVisible(false);
        Label1(7).setVisible(false);
        Text6.setVisible(false);
        Engine().SaveFormat(4);
    } else if (format == "Jpeg") {
        Label1(6).setCaption("存檔品質：");
        Label1(6).setVisible(true);
        Label1(7).setCaption("0劣~100優");
        Label1(7).setVisible(true);
        Text6.setVisible(true);
        Text6.setMaxLength(3);
        Text6.setText("100");
        Engine().JpegFlag(true);
        Engine().SaveFormat(1);
    } else if (format == "Gif") {
        Engine().SaveFormat(2);
        Engine().GifFlagA(true);
        Engine().GifFlagB(true);
    }
}

void Form1::Text6_GotFocus() {
    Text6.setSelStart(0);
    Text6.setSelLength(CharCount(Text6.text()));
}

void Form1::Text6_KeyUp() {
    const std::string& format = Combo3.text();
    if (format == "Png") {
        const double v = NumericValue(Text6.text());
        if (v > 7) {
            Text6.setText("7");
            Text6_GotFocus();
        } else if (v >= 1) {
            Engine().PngCompression(ToInt32(v));
        } else {
            Text6.setText("1");
            Text6_GotFocus();
        }
        Text6.setMaxLength(1);
    } else if (format == "Jpeg") {
        const double v = NumericValue(Text6.text());
        if (v > 100) {
            Text6.setText("100");
            Text6_GotFocus();
        } else if (v > 0) {
            Engine().JpegQuality(ToInt32(v));
        } else {
            Text6.setText("1");
            Text6_GotFocus();
        }
        Text6.setMaxLength(3);
    }
    Text6.setText(NumberText(NumericValue(Text6.text())));
}

}  // namespace dudo
