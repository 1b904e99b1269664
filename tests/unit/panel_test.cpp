// The panel as the settings store: defaults, dependent fields, and what the
// numeric fields accept and hand over to the image library.
#include <gtest/gtest.h>

#include <string>

#include "common/error.h"
#include "panel/form1.h"

using namespace dudo;

namespace {

struct Started : ::testing::Test {
    Form1 form;
    void SetUp() override { form.SetDefaults(); }
    // A user typing `text` with the caret left at `caret`, then releasing a key.
    void Type(TextBox& field, const std::string& text, int caret = -1) {
        field.typeText(text, caret < 0 ? static_cast<int>(text.size()) : caret);
        if (&field == &form.Text6) form.Text6_KeyUp();
        else if (&field == &form.Text5) form.Text5_KeyUp();
        else form.Text1_KeyUp(field.index());
    }
    bool RangeControlsVisible(bool visible) {
        for (Control* c : std::initializer_list<Control*>{&form.Label1(3), &form.Label1(4), &form.Command3, &form.Text1(0),
                                                          &form.Text1(1), &form.Text1(2), &form.Text1(3)})
            if (c->visible() != visible) return false;
        return true;
    }
};

}  // namespace

// What the handlers leave once every default has gone through them.
TEST_F(Started, DefaultsAsTheHandlersLeaveThem) {
    const std::pair<ComboBox*, const char*> lists[] = {{&form.Combo1, "全螢幕"}, {&form.Combo2, "目前時間"}, {&form.Combo3, "Png"},
                                                       {&form.Combo4, "1"}, {&form.Combo5, "TrueColors"}, {&form.Combo6, "彩色"}};
    for (auto [list, text] : lists) EXPECT_EQ(list->text() + std::to_string(list->listIndex()), text + std::string("0"));
    EXPECT_EQ(form.Text6.text() + std::to_string(form.Text6.maxLength()), "71");
    EXPECT_FALSE(form.Text5.visible());
    EXPECT_EQ(form.Label1(6).caption() + form.Label1(7).caption(), "壓縮比率：1小~7大");
    EXPECT_EQ(form.Engine().settings().format, FileFormat::Png);
}

TEST_F(Started, PickOnlyListsAcceptOnlyTheirItems) {
    EXPECT_THROW(form.Combo1.setText("其他"), Error);
    EXPECT_EQ(form.Combo1.text(), "全螢幕");
    form.Combo4.setText("0.5");
    EXPECT_EQ(form.Combo4.text(), "0.5");
    EXPECT_EQ(form.Combo4.listIndex(), -1);
}

TEST_F(Started, TargetShowsAndHidesTheSevenRangeControls) {
    EXPECT_TRUE(RangeControlsVisible(false));
    form.Combo1.pick(2);
    EXPECT_TRUE(RangeControlsVisible(true));
    Type(form.Text1(0), "12");
    form.Combo1.pick(1);
    EXPECT_TRUE(RangeControlsVisible(false));
    EXPECT_TRUE(form.Combo2.visible());
    form.Combo1.setText("指定範圍");
    EXPECT_TRUE(RangeControlsVisible(true));
    EXPECT_EQ(form.Text1(0).text(), "12");
}

// Typed text, caret, what the field then shows and selects. A lone "0" is
// selected so that the next digit replaces it; an unchanged text keeps the caret.
TEST_F(Started, RangeFieldsStayNumericAndNonNegative) {
    struct Case { const char* typed; int caret; const char* shown; int selStart, selLength; };
    const Case cases[] = {{"12a", -1, "12", 2, 0}, {"007", -1, "7", 1, 0}, {"1.50", -1, "1.5", 3, 0}, {"1.", -1, "1", 1, 0},
                          {"", -1, "0", 0, 1},     {"-", -1, "0", 0, 1},   {"a", -1, "0", 0, 1},      {"-5", -1, "0", 0, 1},
                          {"9999", -1, "9999", 4, 0}, {"12", -1, "12", 2, 0}, {"125", 1, "125", 1, 0}};
    for (const Case& c : cases) {
        Type(form.Text1(1), c.typed, c.caret);
        EXPECT_EQ(form.Text1(1).text(), c.shown) << c.typed;
        EXPECT_EQ(form.Text1(1).selStart(), c.selStart) << c.typed;
        EXPECT_EQ(form.Text1(1).selLength(), c.selLength) << c.typed;
    }
    EXPECT_TRUE(form.Text1(0).accepts("1234"));
    EXPECT_FALSE(form.Text1(0).accepts("12345"));
    EXPECT_TRUE(form.Text5.accepts("123456789"));
}

TEST_F(Started, CounterOptionRestartsAtFourZerosAndTakesAnyText) {
    form.Combo2.pick(3);
    EXPECT_TRUE(form.Text5.visible() && form.Label1(5).visible());
    EXPECT_EQ(form.Text5.text(), "0000");
    Type(form.Text5, "0003");
    form.Combo2.pick(0);
    EXPECT_FALSE(form.Text5.visible());
    EXPECT_EQ(form.Text5.text(), "0003");
    form.Combo2.pick(3);
    EXPECT_EQ(form.Text5.text(), "0000");
    Type(form.Text5, "ab -1", 2);
    EXPECT_EQ(form.Text5.text(), "ab -1");
    form.Text5_GotFocus();
    EXPECT_EQ(form.Text5.selStart(), 5);
    EXPECT_EQ(form.Text5.selLength(), 0);
}

// What the format field shows after typing, and what the library then holds:
// out-of-range values are reset (and selected) without being handed over.
TEST_F(Started, FormatParameterIsClampedAndHandedOver) {
    struct Case { int format; const char* typed; const char* shown; int selLength; int held; };
    const Case cases[] = {{0, "5", "5", 0, 5},     {0, "8", "7", 1, 5},      {0, "9", "7", 1, 5},     {0, "0", "1", 1, 5},
                          {0, "a", "1", 1, 5},     {0, "", "1", 1, 5},       {2, "1", "1", 0, 1},     {2, "10", "10", 0, 10},
                          {2, "100", "100", 0, 100}, {2, "99.", "99", 0, 99}, {2, "2.5", "2.5", 0, 2}, {2, "0.4", "0.4", 0, 0},
                          {2, "150", "100", 3, 0}, {2, "0", "1", 1, 0}};
    for (const Case& c : cases) {
        if (form.Combo3.listIndex() != c.format) form.Combo3.pick(c.format);
        Type(form.Text6, c.typed);
        EXPECT_EQ(form.Text6.text(), c.shown) << c.typed;
        EXPECT_EQ(form.Text6.selLength(), c.selLength) << c.typed;
        const auto& s = form.Engine().settings();
        EXPECT_EQ(c.format == 0 ? s.pngCompression : s.jpegQuality, c.held) << c.typed;
    }
    EXPECT_EQ(form.Text6.maxLength(), 3);
    EXPECT_EQ(form.Label1(6).caption(), "存檔品質：");
    EXPECT_EQ(form.Label1(7).caption(), "0劣~100優");
    EXPECT_TRUE(form.Engine().settings().jpegFlag);
}

TEST_F(Started, BmpAndGifHideTheParameterAndFormatsKeepTheirValues) {
    Type(form.Text6, "3");
    form.Combo3.pick(2);
    EXPECT_EQ(form.Text6.text(), "100");
    Type(form.Text6, "80");
    form.Combo3.pick(1);
    EXPECT_FALSE(form.Text6.visible() || form.Label1(6).visible() || form.Label1(7).visible());
    EXPECT_EQ(form.Engine().settings().format, FileFormat::Bmp);
    Type(form.Text6, "0x");  // reaches nothing, only rewritten as a number
    EXPECT_EQ(form.Text6.text(), "0");
    form.Combo3.pick(3);
    EXPECT_FALSE(form.Text6.visible());
    EXPECT_TRUE(form.Engine().settings().gifInterlaced && form.Engine().settings().gif89a);
    form.Combo3.pick(0);
    EXPECT_TRUE(form.Text6.visible());
    EXPECT_EQ(form.Text6.text(), "7");
    EXPECT_EQ(form.Text6.maxLength(), 1);
    const auto& s = form.Engine().settings();
    EXPECT_EQ(s.pngCompression, 3);
    EXPECT_EQ(s.jpegQuality, 80);
    EXPECT_EQ(s.format, FileFormat::Png);
}
