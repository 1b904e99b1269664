// The capture engine on the null platform: the poller, the area, the pointer,
// the post-processing and the names of the files it writes.
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
    // One press and tick; the name of the file it wrote.
    std::string CaptureOnce() {
        Press();
        Tick();
        return capturer.lastSaved()->filename().string();
    }
    Picture Saved() { return DecodePng(*capturer.lastSaved()).picture; }
    void Range(const char* l, const char* t, const char* r, const char* b) {
        form.Combo1.setText("指定範圍");
        for (int i = 0; const char* text : {l, t, r, b}) form.Text1(i++).setText(text);
    }
};

}  // namespace

// The target and its fields, and the screen area the file then shows; a
// failing area saves nothing, restores the caption and brings a hidden panel back.
TEST_F(Capture, TheAreaFollowsTheTarget) {
    struct Case { const char* target; const char* corners[4]; std::optional<Rect> foreground; int x, y, w, h; };
    const Case cases[] = {
        {"全螢幕", {}, {}, 0, 0, 640, 480},
        {"指定範圍", {"100", "50", "300", "250"}, {}, 100, 50, 200, 200},  // right and bottom exclusive
        {"指定範圍", {"10.5", "11.5", "20", "30"}, {}, 10, 12, 10, 18},    // corners round half to even
        {"現用視窗", {}, Rect{30, 40, 130, 90}, 30, 40, 100, 50},
        {"現用視窗", {}, {}, 0, 0, 0, 0},                                  // no foreground window
        {"指定範圍", {"5", "5", "5", "100"}, {}, 0, 0, 0, 0},
        {"指定範圍", {"300", "300", "100", "100"}, {}, 0, 0, 0, 0}};
    form.Check1.setValue(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.target) + " " + (c.corners[0] ? c.corners[0] : ""));
        if (c.corners[0]) Range(c.corners[0], c.corners[1], c.corners[2], c.corners[3]);
        form.Combo1.setText(c.target);
        platform.foreground = c.foreground;
        const auto before = folder.files();
        Press();
        if (c.w == 0) {
            EXPECT_THROW(Tick(), Error);
            EXPECT_EQ(folder.files(), before);
        } else {
            Tick();
            const Picture p = Saved();
            EXPECT_EQ(std::pair(p.width, p.height), std::pair(c.w, c.h));
            EXPECT_EQ(PatternMismatch(p, 0, 0, c.w, c.h, c.x, c.y, PatternPixel), "");
        }
        EXPECT_TRUE(form.visible());
        EXPECT_EQ(form.caption(), "dudo進階版");
    }
}

TEST_F(Capture, APressSavesOnceAndShowsSavingMeanwhile) {
    std::vector<std::string> captions;
    platform.onMessagePass = [&] {
        captions.push_back(form.caption());
        if (captions.size() > 1) return;
        Press(VK_SNAPSHOT, 0x0001);  // a second press while the first capture runs,
        Tick();                      // and a tick inside the message pass: it starts no capture
    };
    Press(VK_SNAPSHOT, 0x0001);  // pressed and released since the last query
    Tick();
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.front(), "存檔中 ......");
    EXPECT_EQ(form.caption(), "dudo進階版");
    EXPECT_EQ(folder.files(), (std::set<std::string>{"14-05-09.png"}));
    EXPECT_EQ(form.Picture1.widthTwips(), 640 * 15);
    Tick();  // the first tick afterwards takes the kept press
    EXPECT_EQ(folder.files().size(), 2u);
}

TEST_F(Capture, HidesOnlyWhenTickedAndShownAndShowsAgain) {
    bool hiddenDuringGrab = false;
    platform.onMessagePass = [&] { hiddenDuringGrab |= !form.visible(); };
    // Check1, whether the panel is shown, whether it is hidden while grabbing; grey does not count.
    const std::tuple<int, bool, bool> cases[] = {{1, true, true}, {1, false, true}, {2, true, false}};
    for (auto [check, shown, hidden] : cases) {
        form.Check1.setValue(check);
        form.setVisible(shown);
        hiddenDuringGrab = false;
        CaptureOnce();
        EXPECT_EQ(hiddenDuringGrab, hidden) << check;
        EXPECT_EQ(form.visible(), shown) << check;  // a panel hidden in the tray stays hidden
    }
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
    CaptureOnce();
    const Picture p = Saved();
    // Drawn at (111 - 1) - 100, (61 - 1) - 50 = (10, 10).
    EXPECT_EQ(p.at(11, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(p.at(10, 10) & 0xFFFFFF, PatternPixel(110, 60) & 0xFFFFFF);  // transparent
    EXPECT_EQ(p.at(9, 10) & 0xFFFFFF, PatternPixel(109, 60) & 0xFFFFFF);   // outside the pointer
    EXPECT_NEAR(Red(p.at(13, 13)), Red(PatternPixel(113, 63)) * 127 / 255, 1);
    EXPECT_TRUE(platform.pointerAskedOfCopy);  // for a copy that draws it itself
    form.Check2.setValue(0);
    CaptureOnce();
    EXPECT_FALSE(platform.pointerAskedOfCopy);
}

TEST_F(Capture, ColourGreyAndScaleSettingsReachTheFile) {
    form.Combo5.setText("16Colors");
    form.Combo6.setText("灰階");
    form.Combo4.setText("0.75");
    CaptureOnce();
    const Picture p = Saved();
    EXPECT_EQ(std::pair(p.width, p.height), std::pair(480, 360));
    EXPECT_TRUE(AllGrey(p));
    EXPECT_LE(ColourCount(p), 16u);
}

TEST_F(Capture, ScaleArithmeticAndItsFailures) {
    platform.screen = Picture::Filled(1366, 768, 0xFF336699u);
    const std::tuple<const char*, int, int> scales[] = {{"1.25", 1708, 960}, {"1.0", 1366, 768}, {"abc", 0, 0}, {"1e300", -1, 0}};
    for (auto [scale, w, h] : scales) {
        form.Combo4.setText(scale);
        Press();
        if (w == 0) EXPECT_THROW(Tick(), Error) << scale;  // 0: an empty image is refused
        else if (w < 0) EXPECT_THROW(Tick(), OverflowError) << scale;
        else {
            Tick();
            EXPECT_EQ(std::pair(Saved().width, Saved().height), std::pair(w, h)) << scale;
        }
    }
}

TEST_F(Capture, NamesFromTheClockAndTheCounter) {
    form.Combo2.setText("日期時間");
    EXPECT_EQ(CaptureOnce(), "2026-12-05 14-05-09-.png");
    form.Combo2.setText("開機計數");
    EXPECT_EQ(CaptureOnce(), "5070950.png");
    form.Combo2.setText("自訂初值");
    form.Text5.setText("9998");
    for (const char* name : {"9998.png", "9999.png", "10000.png"}) EXPECT_EQ(CaptureOnce(), name);
    EXPECT_EQ(form.Text5.text(), "10001");
    const std::tuple<const char*, const char*, const char*> odd[] = {{"", "0.png", "1"}, {"abc", "000.png", "001"}};
    for (auto [typed, name, next] : odd) {
        form.Text5.setText(typed);
        EXPECT_EQ(CaptureOnce(), name);
        EXPECT_EQ(form.Text5.text(), next);
    }
    Range("5", "5", "5", "5");  // a failed save does not advance the counter
    Press();
    EXPECT_THROW(Tick(), Error);
    EXPECT_EQ(form.Text5.text(), "001");
}

// Ticks as (milliseconds, Print Screen's state) and the pictures they give,
// with a keyboard that repeats after 500 ms, then every 100 ms.
TEST_F(Capture, EachPressCountsOnceAndAHeldKeyRepeatsNoFasterThanTheKeyboard) {
    using Ticks = std::vector<std::pair<int, std::uint16_t>>;
    // A tick every 15 ms; from 500 ms on, the keyboard's repeats may set bit 0.
    const auto held = [](int until, std::uint16_t repeatBit) {
        Ticks ticks{{0, 0x8001}};
        for (int ms = 15; ms <= until + 15; ms += 15) ticks.push_back({ms, std::uint16_t(ms > until ? 0 : 0x8000 | (ms >= 500 ? repeatBit : 0))});
        return ticks;
    };
    // The first press's save ends at `from`, the second press is held until `until`.
    const auto pressedDuringSave = [](int from, int until) {
        Ticks ticks{{0, 0x8001}, {from, 0x8001}};
        for (int ms = from + 15; ms <= until + 15; ms += 15) ticks.push_back({ms, std::uint16_t(ms > until ? 0 : 0x8000)});
        return ticks;
    };
    struct Case { const char* what; Ticks ticks; std::size_t pictures; bool repeats = true; };
    const Case cases[] = {
        {"held for 200 ms", held(200, 0), 1},
        {"two presses", {{0, 0x8001}, {100, 0}, {300, 0x8001}, {400, 0}}, 2},
        {"a second press during a long save, still down", {{0, 0x8001}, {400, 0x8001}}, 2},
        {"a second press during a long save, up again", {{0, 0x8001}, {400, 0x0001}}, 2},
        {"a second press during a save longer than the delay, held 150 ms", pressedDuringSave(700, 850), 2},
        {"its bit 0 taken by another program's query", {{0, 0x8000}, {100, 0}, {200, 0x8000}}, 2},
        // Repeats set bit 0 on Windows: at 510, 615 and 720 ms, not at every tick.
        {"held for 800 ms", held(800, 1), 4},
        {"held for 800 ms, repeating off", held(800, 0), 1, false},
    };
    form.Combo2.setText("自訂初值");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Capturer poller{form, platform};
        platform.keyRepeat = c.repeats ? std::optional(KeyRepeat{500, 100}) : std::nullopt;
        const std::size_t before = folder.files().size();
        for (auto [ms, state] : c.ticks)
            platform.milliseconds = ms, platform.keyStates[VK_SNAPSHOT] = {state}, poller.Timer1_Timer();
        EXPECT_EQ(folder.files().size() - before, c.pictures);
    }
}

TEST_F(Capture, TwoClicksPickTheRangeAfterTheCaptureStep) {
    const auto click = [&](int x, int y) {
        platform.cursor = {x, y};
        Press(VK_LBUTTON);
        Tick();
    };
    capturer.Command3_Click();
    Tick();  // no button: nothing
    EXPECT_EQ(form.RangePickState, 1);
    EXPECT_TRUE(platform.rangePicking);
    Press();  // a press and a click in one tick: the capture, then the corner
    click(-20, 30);
    EXPECT_EQ(folder.files().size(), 1u);
    EXPECT_EQ(form.Text1(0).text() + "," + form.Text1(1).text(), "-20,30");
    click(50, 30);  // same row: rejected
    EXPECT_EQ(form.Text1(2).text() + " " + std::to_string(form.RangePickState), "0 2");
    form.Text1(1).setText("10");  // the user's edit between the presses counts
    click(50, 30);
    EXPECT_EQ(form.Text1(2).text() + "," + form.Text1(3).text() + " " + std::to_string(form.RangePickState), "50,30 0");
    EXPECT_FALSE(platform.rangePicking);
    click(99, 99);  // idle: presses change nothing
    EXPECT_EQ(form.Text1(2).text(), "50");
    capturer.Command3_Click();  // given up where the platform takes the clicks
    platform.giveUpPicking();
    EXPECT_EQ(form.RangePickState, 0);
}
