#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/error.h"
#include "panel/form1.h"

using namespace dudo;

namespace {

// Records every text a handler writes, in order, to check visiting order.
struct TextLog : ControlObserver {
    std::vector<std::string> writes;
    void ControlChanged(Control& c, Property p) override {
        if (p != Property::Text) return;
        std::string name = c.name() + (c.index() >= 0 ? "(" + std::to_string(c.index()) + ")" : "");
        if (auto* t = dynamic_cast<TextBox*>(&c)) writes.push_back(name + "=" + t->text());
        if (auto* l = dynamic_cast<ComboBox*>(&c)) writes.push_back(name + "=" + l->text());
    }
};

struct Started : ::testing::Test {
    Form1 form;
    void SetUp() override { form.SetDefaults(); }
    // A user typing `text` into a field and releasing a key.
    void TypeRange(int i, const std::string& text) {
        form.Text1(i).typeText(text, static_cast<int>(text.size()));
        form.Text1_KeyUp(i);
    }
    void TypeFormat(const std::string& text) {
        form.Text6.typeText(text, static_cast<int>(text.size()));
        form.Text6_KeyUp();
    }
    bool RangeControlsVisible(bool visible) {
        for (Control* c : {(Control*)&form.Label1(3), (Control*)&form.Label1(4), (Control*)&form.Command3,
                           (Control*)&form.Text1(0), (Control*)&form.Text1(1), (Control*)&form.Text1(2),
                           (Control*)&form.Text1(3)})
            if (c->visible() != visible) return false;
        return true;
    }
};

}  // namespace

TEST(Layout, HoldsEveryControlInCreationOrder) {
    Form1 form;
    ASSERT_EQ(form.controls().size(), 35u);
    EXPECT_EQ(form.controls().front()->name(), "Combo6");
    EXPECT_EQ(form.controls()[4]->name(), "Text1");
    EXPECT_EQ(form.controls()[4]->index(), 3);
    EXPECT_EQ(form.controls().back()->name(), "mnuNotifyIconS");
    EXPECT_STREQ(form.Combo1.kindName(), "ComboBox");
    EXPECT_STREQ(form.Text5.kindName(), "TextBox");
    EXPECT_EQ(form.Command1.geometry.left, 1440);
    EXPECT_EQ(form.Command1.geometry.top, 3840);
    EXPECT_EQ(form.Label1(8).caption(), "抓圖熱鍵：< Print Screen >");
    EXPECT_EQ(form.Command4.toolTip, "作者的話");
    EXPECT_EQ(form.caption(), "dudo進階版");
}

TEST(Layout, DesignTimeStates) {
    Form1 form;
    EXPECT_EQ(form.Check2.value(), 1);
    EXPECT_EQ(form.Check1.value(), 0);
    EXPECT_FALSE(form.Picture1.visible());
    EXPECT_FALSE(form.PicIcon.visible());
    EXPECT_TRUE(form.Text5.visible());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(form.Text1(i).maxLength(), 4);
    EXPECT_EQ(form.Text6.maxLength(), 0);
    EXPECT_TRUE(form.Combo4.editable());
    EXPECT_FALSE(form.Combo1.editable());
    EXPECT_EQ(form.Timer1.interval, 1);
    EXPECT_EQ(form.mnuNotifyIconS(0).caption(), "顯示");
    EXPECT_EQ(form.mnuNotifyIconS(1).caption(), "結束");
}

TEST(Layout, FocusOrderFollowsTabPlaces) {
    Form1 form;
    std::vector<std::pair<int, std::string>> order;
    for (Control* c : form.controls())
        if (c->tabIndex >= 0 && c->kind() != Kind::Label && c->kind() != Kind::PictureBox)
            order.push_back({c->tabIndex, c->name() + (c->index() >= 0 ? std::to_string(c->index()) : "")});
    std::sort(order.begin(), order.end());
    std::vector<std::string> names;
    for (auto& [tab, name] : order) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Combo1", "Check1", "Check2", "Combo2", "Combo3", "Command1",
                                               "Command2", "Text10", "Text5", "Command3", "Text6", "Text11",
                                               "Text12", "Text13", "Command4", "Combo4", "Combo5", "Combo6"}));
}

TEST(Defaults, VisitingOrderAndFinalState) {
    Form1 form;
    TextLog log;
    form.setObserverForAll(&log);
    form.SetDefaults();
    EXPECT_EQ(log.writes, (std::vector<std::string>{"Combo6=彩色", "Combo5=TrueColors", "Combo4=1", "Text1(3)=0",
                                                    "Text1(2)=0", "Text1(1)=0", "Text6=0", "Combo2=目前時間",
                                                    "Text5=0", "Text1(0)=0", "Combo3=Png", "Text6=7",
                                                    "Combo1=全螢幕"}));
    EXPECT_EQ(form.Text6.text(), "7");
    EXPECT_EQ(form.Text6.maxLength(), 1);
    EXPECT_EQ(form.Text5.text(), "0");
    EXPECT_FALSE(form.Text5.visible());
    EXPECT_FALSE(form.Label1(5).visible());
    EXPECT_EQ(form.Label1(6).caption(), "壓縮比率：");
    EXPECT_EQ(form.Label1(7).caption(), "1小~7大");
    EXPECT_EQ(form.Engine().settings().format, FileFormat::Png);
}

TEST_F(Started, ListsHoldTheirItemsOnce) {
    EXPECT_EQ(form.Combo5.items(), (std::vector<std::string>{"TrueColors", "2Colors", "4Colors", "8Colors", "16Colors",
                                                             "32Colors", "64Colors", "128Colors", "216Colors",
                                                             "256Colors"}));
    EXPECT_EQ(form.Combo1.items().size(), 3u);
    EXPECT_EQ(form.Combo2.items().size(), 4u);
    EXPECT_EQ(form.Combo3.items().size(), 4u);
    EXPECT_EQ(form.Combo4.items().size(), 3u);
    EXPECT_EQ(form.Combo6.items(), (std::vector<std::string>{"彩色", "灰階"}));
    for (ComboBox* list : {&form.Combo1, &form.Combo2, &form.Combo3, &form.Combo4, &form.Combo5, &form.Combo6})
        EXPECT_EQ(list->listIndex(), 0) << list->name();
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
    EXPECT_EQ(form.Text1(0).text(), "0");
    TypeRange(0, "12");
    form.Combo1.pick(1);
    EXPECT_TRUE(RangeControlsVisible(false));
    EXPECT_TRUE(form.Label1(5).visible() == false && form.Combo2.visible());
    form.Combo1.setText("指定範圍");
    EXPECT_TRUE(RangeControlsVisible(true));
    EXPECT_EQ(form.Text1(0).text(), "12");
}

TEST_F(Started, RangeFieldsStayNumericAndNonNegative) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"12a", "12"}, {"007", "7"}, {"1.50", "1.5"}, {"1.", "1"}, {"", "0"}, {"-", "0"}, {"a", "0"}, {"-5", "0"},
        {"9999", "9999"}};
    for (auto& [typed, shown] : cases) {
        TypeRange(1, typed);
        EXPECT_EQ(form.Text1(1).text(), shown) << typed;
    }
}

TEST_F(Started, ZeroIsSelectedSoTheNextDigitReplacesIt) {
    TypeRange(2, "");
    EXPECT_EQ(form.Text1(2).text(), "0");
    EXPECT_EQ(form.Text1(2).selStart(), 0);
    EXPECT_EQ(form.Text1(2).selLength(), 1);
}

TEST_F(Started, RewritingTheSameTextKeepsTheCaret) {
    TextBox& field = form.Text1(0);
    field.typeText("1", 1);
    form.Text1_KeyUp(0);
    EXPECT_EQ(field.selStart(), 1);
    field.typeText("12", 2);
    form.Text1_KeyUp(0);
    EXPECT_EQ(field.text(), "12");
    EXPECT_EQ(field.selStart(), 2);
    field.typeText("125", 1);  // typed in the middle
    form.Text1_KeyUp(0);
    EXPECT_EQ(field.selStart(), 1);
    EXPECT_EQ(field.selLength(), 0);
}

TEST_F(Started, RangeFieldsTakeAtMostFourCharacters) {
    EXPECT_TRUE(form.Text1(0).accepts("1234"));
    EXPECT_FALSE(form.Text1(0).accepts("12345"));
    EXPECT_TRUE(form.Text5.accepts("123456789"));
}

TEST_F(Started, CounterOptionRestartsAtFourZeros) {
    form.Combo2.pick(3);
    EXPECT_TRUE(form.Text5.visible());
    EXPECT_TRUE(form.Label1(5).visible());
    EXPECT_EQ(form.Text5.text(), "0000");
    form.Text5.typeText("0003", 4);
    form.Text5_KeyUp();
    EXPECT_EQ(form.Text5.text(), "0003");
    form.Combo2.pick(0);
    EXPECT_FALSE(form.Text5.visible());
    EXPECT_EQ(form.Text5.text(), "0003");
    form.Combo2.pick(3);
    EXPECT_EQ(form.Text5.text(), "0000");
}

TEST_F(Started, CounterFieldTakesAnyTextAndPutsTheCaretAtTheEnd) {
    form.Combo2.pick(3);
    form.Text5.typeText("ab -1", 2);
    form.Text5_KeyUp();
    EXPECT_EQ(form.Text5.text(), "ab -1");
    form.Text5_GotFocus();
    EXPECT_EQ(form.Text5.selStart(), 5);
    EXPECT_EQ(form.Text5.selLength(), 0);
}

TEST_F(Started, PngCompressionIsClampedAndHandedOver) {
    TypeFormat("5");
    EXPECT_EQ(form.Engine().settings().pngCompression, 5);
    EXPECT_EQ(form.Text6.text(), "5");
    for (const char* high : {"8", "9"}) {
        TypeFormat(high);
        EXPECT_EQ(form.Text6.text(), "7");
        EXPECT_EQ(form.Text6.selLength(), 1);
    }
    for (const char* low : {"0", "a", "-", ""}) {
        TypeFormat(low);
        EXPECT_EQ(form.Text6.text(), "1") << low;
        EXPECT_EQ(form.Text6.selLength(), 1);
    }
    EXPECT_EQ(form.Engine().settings().pngCompression, 5);  // resets hand nothing over
    EXPECT_EQ(form.Text6.maxLength(), 1);
}

TEST_F(Started, JpegQualityIsClampedRoundedAndHandedOver) {
    form.Combo3.pick(2);
    EXPECT_EQ(form.Text6.text(), "100");
    EXPECT_EQ(form.Text6.maxLength(), 3);
    EXPECT_EQ(form.Label1(6).caption(), "存檔品質：");
    EXPECT_EQ(form.Label1(7).caption(), "0劣~100優");
    EXPECT_TRUE(form.Engine().settings().jpegFlag);
    EXPECT_EQ(form.Engine().settings().format, FileFormat::Jpeg);
    std::vector<int> received;
    for (const char* typed : {"1", "10", "100"}) {
        TypeFormat(typed);
        received.push_back(form.Engine().settings().jpegQuality);
    }
    EXPECT_EQ(received, (std::vector<int>{1, 10, 100}));
    TypeFormat("99.");
    EXPECT_EQ(form.Engine().settings().jpegQuality, 99);
    EXPECT_EQ(form.Text6.text(), "99");
    TypeFormat("2.5");
    EXPECT_EQ(form.Engine().settings().jpegQuality, 2);
    EXPECT_EQ(form.Text6.text(), "2.5");
    TypeFormat("0.4");
    EXPECT_EQ(form.Engine().settings().jpegQuality, 0);
    TypeFormat("150");
    EXPECT_EQ(form.Text6.text(), "100");
    TypeFormat("0");
    EXPECT_EQ(form.Text6.text(), "1");
    EXPECT_EQ(form.Engine().settings().jpegQuality, 0);
}

TEST_F(Started, BmpHidesTheParameterAndKeepsItsTexts) {
    form.Combo3.pick(1);
    EXPECT_FALSE(form.Text6.visible());
    EXPECT_FALSE(form.Label1(6).visible());
    EXPECT_FALSE(form.Label1(7).visible());
    EXPECT_EQ(form.Text6.text(), "7");
    EXPECT_EQ(form.Engine().settings().format, FileFormat::Bmp);
    TypeFormat("0x");  // reaches nothing, only rewritten as a number
    EXPECT_EQ(form.Text6.text(), "0");
    EXPECT_EQ(form.Engine().settings().pngCompression, 7);
    form.Combo3.pick(3);  // Gif leaves them hidden
    EXPECT_FALSE(form.Text6.visible());
    EXPECT_TRUE(form.Engine().settings().gifInterlaced);
    EXPECT_TRUE(form.Engine().settings().gif89a);
    form.Combo3.pick(0);
    EXPECT_TRUE(form.Text6.visible());
    EXPECT_EQ(form.Text6.text(), "7");
}

TEST_F(Started, SwitchingFormatsKeepsTheAcceptedValues) {
    TypeFormat("3");
    form.Combo3.pick(2);
    TypeFormat("80");
    form.Combo3.pick(0);
    EXPECT_EQ(form.Text6.text(), "7");
    EXPECT_EQ(form.Text6.maxLength(), 1);
    EXPECT_EQ(form.Engine().settings().pngCompression, 3);
    EXPECT_EQ(form.Engine().settings().jpegQuality, 80);
    EXPECT_EQ(form.Engine().settings().format, FileFormat::Png);
}
