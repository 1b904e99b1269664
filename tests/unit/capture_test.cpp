#include <gtest/gtest.h>

#include "capture/capturer.h"
#include "common/error.h"
#include "platform/null/null_platform.h"
#include "tests/unit/test_files.h"

using namespace dudo;
using namespace dudo::test;

namespace {

struct Capture : ::testing::Test {
    TempFolder folder;
    NullPlatform platform;
    Form1 form{[this] { return std::make_unique<ImageLibrary>(folder.path()); }};
    Capturer capturer{form, platform};

    void SetUp() override {
        form.SetDefaults();
        form.setVisible(true);
        form.Check2.setValue(0);
    }
    void Press(int key = VK_SNAPSHOT, std::uint16_t state = 0x8001) { platform.keyStates[key].push_back(state); }
    void Tick() { capturer.Timer1_Timer(); }
    Picture Saved() { return DecodePng(*capturer.lastSaved()).picture; }
    void Range(const char* l, const char* t, const char* r, const char* b) {
        form.Combo1.setText("指定範圍");
        form.Text1(0).setText(l);
        form.Text1(1).setText(t);
        form.Text1(2).setText(r);
        form.Text1(3).setText(b);
    }
    // One press; the saved picture is the screen's w x h area at (x0, y0).
    void ExpectCaptureOf(int x0, int y0, int w, int h) {
        Press();
        Tick();
        const Picture p = Saved();
        EXPECT_EQ(p.width, w);
        EXPECT_EQ(p.height, h);
        ExpectScreenAt(p, x0, y0);
    }
    void ExpectScreenAt(const Picture& p, int x0, int y0) {
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                ASSERT_EQ(p.at(x, y) & 0xFFFFFF, PatternPixel(x0 + x, y0 + y) & 0xFFFFFF) << x << "," << y;
    }
};

}  // namespace

TEST_F(Capture, APressSavesTheWholeScreenPixelExact) {
    Press();
    Tick();
    ASSERT_TRUE(capturer.lastSaved());
    EXPECT_EQ(capturer.lastSaved()->filename(), "14-05-09.png");
    const Picture p = Saved();
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    ExpectScreenAt(p, 0, 0);
    EXPECT_EQ(form.caption(), "dudo進階版");
    EXPECT_EQ(form.Picture1.widthTwips(), 640 * 15);
}

TEST_F(Capture, NoPressNoFile) {
    Tick();
    Press(VK_SNAPSHOT, 0);
    Tick();
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Capture, TheCaptionShowsSavingDuringTheCapture) {
    std::vector<std::string> captions;
    platform.onMessagePass = [&] { captions.push_back(form.caption()); };
    Press(VK_SNAPSHOT, 0x0001);  // pressed and released since the last query
    Tick();
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.front(), "存檔中 ......");
    EXPECT_EQ(form.caption(), "dudo進階版");
}

TEST_F(Capture, TypedRangeIsRightAndBelowExclusive) {
    Range("100", "50", "300", "250");
    ExpectCaptureOf(100, 50, 200, 200);
}

TEST_F(Capture, FractionalCornersRoundToEven) {
    Range("10.5", "11.5", "20", "30");
    ExpectCaptureOf(10, 12, 10, 18);  // X = 10, Y = 12
}

TEST_F(Capture, ForegroundWindowRectangle) {
    form.Combo1.setText("現用視窗");
    platform.foreground = Rect{30, 40, 130, 90};
    ExpectCaptureOf(30, 40, 100, 50);
}

TEST_F(Capture, EmptyAreasSaveNothingAndSaySo) {
    form.Combo1.setText("現用視窗");  // no foreground window: 0 x 0
    Press();
    EXPECT_THROW(Tick(), Error);
    Range("5", "5", "5", "100");
    Press();
    EXPECT_THROW(Tick(), Error);
    EXPECT_TRUE(folder.files().empty());
    EXPECT_EQ(form.caption(), "dudo進階版");
}

TEST_F(Capture, NegativeSizeBringsTheHiddenWindowBack) {
    form.Check1.setValue(1);
    Range("300", "300", "100", "100");
    Press();
    EXPECT_THROW(Tick(), Error);
    EXPECT_TRUE(form.visible());
    EXPECT_EQ(form.caption(), "dudo進階版");
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Capture, HidesOnlyWhenTickedAndShownAndShowsAgain) {
    form.Check1.setValue(1);
    bool hiddenDuringGrab = false;
    platform.onMessagePass = [&] { hiddenDuringGrab |= !form.visible(); };
    Press();
    Tick();
    EXPECT_TRUE(hiddenDuringGrab);
    EXPECT_TRUE(form.visible());

    form.setVisible(false);  // hidden in the tray: stays hidden
    Press();
    Tick();
    EXPECT_FALSE(form.visible());

    form.setVisible(true);
    form.Check1.setValue(2);  // grey does not count
    hiddenDuringGrab = false;
    Press();
    Tick();
    EXPECT_FALSE(hiddenDuringGrab);
}

TEST_F(Capture, PointerIsDrawnAtItsHotspotWithAlpha) {
    form.Check2.setValue(1);
    CursorImage cursor;
    cursor.image = Picture::Filled(4, 4, 0xFFFF0000u);  // opaque red
    cursor.image.row(0)[0] = 0x00000000u;              // transparent corner
    cursor.image.row(3)[3] = 0x80000000u;              // half black
    cursor.hotspot = {1, 1};
    platform.cursorImage = cursor;
    platform.cursor = {111, 61};
    Range("100", "50", "300", "250");
    Press();
    Tick();
    const Picture p = Saved();
    // Drawn at (111 - 1) - 100, (61 - 1) - 50 = (10, 10).
    EXPECT_EQ(p.at(11, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(p.at(10, 10) & 0xFFFFFF, PatternPixel(110, 60) & 0xFFFFFF);  // transparent
    EXPECT_EQ(p.at(9, 10) & 0xFFFFFF, PatternPixel(109, 60) & 0xFFFFFF);   // outside the pointer
    const std::uint32_t under = PatternPixel(113, 63);
    EXPECT_NEAR(Red(p.at(13, 13)), Red(under) * 127 / 255, 1);
}

TEST_F(Capture, ColourGreyAndScaleSettingsReachTheFile) {
    form.Combo5.setText("16Colors");
    form.Combo6.setText("灰階");
    form.Combo4.setText("0.75");
    Press();
    Tick();
    const Decoded png = DecodePng(*capturer.lastSaved());
    EXPECT_EQ(png.picture.width, 480);
    EXPECT_EQ(png.picture.height, 360);
    EXPECT_TRUE(AllGrey(png.picture));
    EXPECT_LE(ColourCount(png.picture), 16u);
}

TEST_F(Capture, ScaleArithmeticAndItsFailures) {
    platform.screen = Picture::Filled(1366, 768, 0xFF336699u);
    form.Combo4.setText("1.25");
    Press();
    Tick();
    EXPECT_EQ(DecodePng(*capturer.lastSaved()).picture.width, 1708);
    EXPECT_EQ(DecodePng(*capturer.lastSaved()).picture.height, 960);
    form.Combo4.setText("abc");  // 0: an empty image is refused
    Press();
    EXPECT_THROW(Tick(), Error);
    form.Combo4.setText("1e300");
    Press();
    EXPECT_THROW(Tick(), OverflowError);
    form.Combo4.setText("1.0");
    platform.now.second = 10;
    Press();
    Tick();
    EXPECT_EQ(DecodePng(*capturer.lastSaved()).picture.width, 1366);
}

TEST_F(Capture, CounterNamesAdvanceAndWiden) {
    form.Combo2.setText("自訂初值");
    form.Text5.setText("9998");
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        Press();
        Tick();
        names.push_back(capturer.lastSaved()->filename().string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"9998.png", "9999.png", "10000.png"}));
    EXPECT_EQ(form.Text5.text(), "10001");
    form.Text5.setText("");
    Press();
    Tick();
    EXPECT_EQ(capturer.lastSaved()->filename(), "0.png");
    EXPECT_EQ(form.Text5.text(), "1");
    form.Text5.setText("abc");
    Press();
    Tick();
    EXPECT_EQ(capturer.lastSaved()->filename(), "000.png");
    EXPECT_EQ(form.Text5.text(), "001");
}

TEST_F(Capture, CounterDoesNotAdvanceWhenTheSaveFails) {
    form.Combo2.setText("自訂初值");
    Range("5", "5", "5", "5");
    Press();
    EXPECT_THROW(Tick(), Error);
    EXPECT_EQ(form.Text5.text(), "0000");
}

TEST_F(Capture, OtherNamingOptions) {
    form.Combo2.setText("日期時間");
    Press();
    Tick();
    EXPECT_EQ(capturer.lastSaved()->filename(), "2026-12-05 14-05-09-.png");
    form.Combo2.setText("開機計數");
    Press();
    Tick();
    EXPECT_EQ(capturer.lastSaved()->filename(), "5070950.png");
}

TEST_F(Capture, TwoCapturesInOneSecondKeepBothPictures) {
    Press();
    Tick();
    Press();
    Tick();
    EXPECT_EQ(folder.files(), (std::set<std::string>{"14-05-09.png", "14-05-09 (2).png"}));
}

TEST_F(Capture, HoldingTheKeyCapturesOnEveryTick) {
    form.Combo2.setText("自訂初值");
    for (int i = 0; i < 3; ++i) {
        Press(VK_SNAPSHOT, 0x8000);
        Tick();
    }
    EXPECT_EQ(folder.files().size(), 3u);
}

TEST_F(Capture, ATickInsideACaptureWaitsAndThePressIsKept) {
    form.Combo2.setText("自訂初值");
    int nested = 0;
    platform.onMessagePass = [&] {
        if (nested++ == 0) {
            Press();  // a second press arrives while the first capture runs
            Tick();   // the timer fires inside the message pass
        }
    };
    Press();
    Tick();
    EXPECT_EQ(folder.files().size(), 1u);  // the nested tick started no capture
    platform.onMessagePass = nullptr;
    Tick();  // the first tick afterwards takes the kept press
    EXPECT_EQ(folder.files().size(), 2u);
}

TEST_F(Capture, CaptureFirstThenTheMouseStepInOneTick) {
    capturer.Command3_Click();
    platform.cursor = {7, 8};
    Press();
    Press(VK_LBUTTON, 0x8001);
    Tick();
    EXPECT_EQ(folder.files().size(), 1u);
    EXPECT_EQ(form.Text1(0).text(), "7");
    EXPECT_EQ(form.RangePickState, 2);
}

TEST_F(Capture, TwoClicksPickTheRange) {
    capturer.Command3_Click();
    Tick();  // no button: nothing
    EXPECT_EQ(form.RangePickState, 1);
    platform.cursor = {-20, 30};
    Press(VK_LBUTTON);
    Tick();
    EXPECT_EQ(form.Text1(0).text(), "-20");
    EXPECT_EQ(form.Text1(1).text(), "30");
    platform.cursor = {50, 30};  // same row: rejected
    Press(VK_LBUTTON);
    Tick();
    EXPECT_EQ(form.Text1(2).text(), "0");
    EXPECT_EQ(form.Text1(3).text(), "0");
    EXPECT_EQ(form.RangePickState, 2);
    form.Text1(1).setText("10");  // the user's edit between the presses counts
    Press(VK_LBUTTON);
    Tick();
    EXPECT_EQ(form.Text1(2).text(), "50");
    EXPECT_EQ(form.Text1(3).text(), "30");
    EXPECT_EQ(form.RangePickState, 0);
    Press(VK_LBUTTON);
    platform.cursor = {99, 99};
    Tick();  // idle: presses change nothing
    EXPECT_EQ(form.Text1(2).text(), "50");
}
