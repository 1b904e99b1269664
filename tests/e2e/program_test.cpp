#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>

#include "platform/null/null_platform.h"
#include "tests/e2e/desktop.h"

using namespace dudo;
using namespace dudo::e2e;

namespace {

struct Program : ::testing::Test {
    Desktop desktop;
    void SetUp() override {
        desktop.StartProgram();
        ASSERT_TRUE(desktop.ProgramRunning()) << desktop.ProgramLog();
    }
    void Click(int leftTwips, int topTwips, int widthTwips, int heightTwips, int button = 1) {
        desktop.Click(leftTwips, topTwips, widthTwips, heightTwips, button);
    }
    void ClickTray(int button) {
        const auto icon = desktop.Window("dudo tray icon");
        ASSERT_TRUE(icon);
        desktop.Xdotool("mousemove " + std::to_string(icon->x + 11) + " " + std::to_string(icon->y + 11));
        desktop.Xdotool("click " + std::to_string(button));
    }
    bool PanelShown() {
        const auto w = desktop.Window("dudo進階版");
        return w && w->viewable;
    }
    std::string PressPrintScreen() {
        const auto before = desktop.Files();
        desktop.Xdotool("key Print");
        const auto name = desktop.WaitForNewFile(before);
        return name.value_or("");
    }
    // One press of Print Screen gives a w x h picture of the pattern at (x0, y0).
    void ExpectCaptureOfPattern(int x0, int y0, int w, int h) {
        desktop.Xdotool("mousemove 1200 700");  // the pointer away from the pattern
        const std::string name = PressPrintScreen();
        ASSERT_FALSE(name.empty());
        const Picture p = ReadPng(desktop.folder() / name);
        EXPECT_EQ(p.width, w);
        EXPECT_EQ(p.height, h);
        ExpectPattern(p, x0, y0, 0, 0, std::min(w, p.width), std::min(h, p.height));
    }
    void ExpectPattern(const Picture& p, int x0, int y0, int fromX, int fromY, int w, int h) {
        for (int y = fromY; y < fromY + h; ++y)
            for (int x = fromX; x < fromX + w; ++x)
                ASSERT_EQ(p.at(x, y) & 0xFFFFFF, PatternPixel(x0 + x, y0 + y) & 0xFFFFFF) << x << "," << y;
    }
};

}  // namespace

TEST_F(Program, StartsWithoutMenuBarShorterAndWithOneTrayIcon) {
    const auto w = desktop.Window("dudo進階版");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->width, 2895 / 15);
    EXPECT_EQ(w->height, 4320 / 15);  // designed height plus menu bar, less 300 twips
    EXPECT_EQ(desktop.CountWindows("dudo tray icon"), 1);
    EXPECT_TRUE(desktop.Files().empty());  // the scratch file is gone
    // The tray shows the program's picture: a window with a cyan title bar.
    const auto icon = desktop.Window("dudo tray icon");
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->width, 22);
    const Picture shown = Grab(desktop.display(), icon->x, icon->y, 22, 22);
    int cyan = 0;
    for (std::uint32_t p : shown.pixels) cyan += (p & 0xFFFFFF) == 0x00FFFF;
    EXPECT_GT(cyan, 20);
}

TEST_F(Program, PrintScreenWritesThePictureOfTheScreen) {
    PatternWindow pattern(desktop.display(), 300, 100, 400, 300);
    pattern.Focus();  // another client has the focus
    desktop.Xdotool("mousemove 1200 700");
    const std::string name = PressPrintScreen();
    ASSERT_FALSE(name.empty());
    EXPECT_TRUE(name.ends_with(".png"));
    const Picture p = ReadPng(desktop.folder() / name);
    EXPECT_EQ(p.width, 1280);
    EXPECT_EQ(p.height, 800);
    ExpectPattern(p, 0, 0, 300, 100, 400, 300);
}

TEST_F(Program, ForegroundWindowIsCaptured) {
    PatternWindow pattern(desktop.display(), 400, 200, 320, 240);
    pattern.Focus();
    Click(1020, 360, 1815, 300);  // open Combo1
    desktop.Xdotool("key Down Return");
    pattern.Focus();
    ExpectCaptureOfPattern(400, 200, 320, 240);
}

TEST_F(Program, RangePickedWithTwoClicksIsCaptured) {
    PatternWindow pattern(desktop.display(), 250, 40, 500, 400);
    Click(1020, 360, 1815, 300);
    desktop.Xdotool("key Down Down Return");  // 指定範圍
    // Command3, pressed for a moment as a hand does, so that the press is
    // seen by a tick before the button's click arms the picking.
    Click(2280, 720, 495, 495, 0);
    desktop.Xdotool("mousemove 300 100 click 1");
    desktop.Xdotool("mousemove 300 300 click 1");  // same column: rejected, still waiting
    desktop.Xdotool("mousemove 500 300 click 1");
    ExpectCaptureOfPattern(300, 100, 200, 200);
}

TEST_F(Program, ThePointerIsDrawnWhereItStands) {
    desktop.Xdotool("mousemove 640 400");
    const std::string name = PressPrintScreen();
    ASSERT_FALSE(name.empty());
    const Picture p = ReadPng(desktop.folder() / name);
    // The root window is black; the pointer's image changes pixels beside its hotspot only.
    int changed = 0, far = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 300; x < p.width; ++x)
            if ((p.at(x, y) & 0xFFFFFF) != 0 && y > 30) {
                if (std::abs(x - 640) < 32 && std::abs(y - 400) < 32) ++changed;
                else ++far;
            }
    EXPECT_GT(changed, 10) << "far " << far;
    EXPECT_EQ(far, 0) << "near " << changed;
}

TEST_F(Program, HoldingPrintScreenCapturesOnEveryTick) {
    desktop.Xdotool("keydown Print");  // one press, held
    const bool several = desktop.WaitFor([&] { return desktop.Files().size() >= 3; }, 8000);
    desktop.Xdotool("keyup Print");
    EXPECT_TRUE(several) << desktop.Files().size();
}

TEST_F(Program, ASecondInstanceLeavesNothing) {
    const pid_t first = desktop.programPid();
    const std::string out = Shell("cd '" + desktop.folder().string() + "' && " + desktop.Env() + DUDO_BINARY +
                                " ; echo status=$?");
    EXPECT_NE(out.find("status=0"), std::string::npos) << out;
    EXPECT_EQ(desktop.CountWindows("dudo進階版"), 1);
    EXPECT_EQ(desktop.CountWindows("dudo tray icon"), 1);
    EXPECT_EQ(desktop.programPid(), first);
    EXPECT_TRUE(desktop.ProgramRunning());
}

TEST_F(Program, TheLockDoesNotOutliveAKilledInstance) {
    desktop.StopProgram();  // SIGKILL
    desktop.StartProgram();
    EXPECT_TRUE(desktop.ProgramRunning());
    EXPECT_TRUE(PanelShown());
}

TEST_F(Program, HidesToTheTrayAndComesBackOnAClick) {
    Click(120, 3840, 1335, 375);  // Command2
    EXPECT_TRUE(desktop.WaitFor([&] { return !PanelShown(); }));
    EXPECT_TRUE(desktop.WaitFor([&] { return desktop.Window("dudo balloon").has_value(); }))
        << Shell(desktop.Env() + "xwininfo -root -tree");
    EXPECT_EQ(desktop.CountWindows("dudo tray icon"), 1);
    ClickTray(1);
    EXPECT_TRUE(desktop.WaitFor([&] { return PanelShown(); }));
}

TEST_F(Program, TheTrayMenuEndsTheProgramAndRemovesTheIcon) {
    ClickTray(3);
    desktop.Xdotool("key Down Down Return");  // "顯示" is greyed: the second entry, "結束"
    const auto status = desktop.WaitForExit(3000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(desktop.WaitFor([&] { return desktop.CountWindows("dudo tray icon") == 0; }));
}

TEST_F(Program, SigtermTakesTheSameShutdownPath) {
    kill(desktop.programPid(), SIGTERM);
    const auto status = desktop.WaitForExit(3000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    EXPECT_EQ(desktop.CountWindows("dudo tray icon"), 0);
}

TEST_F(Program, TheExitButtonEndsTheProgram) {
    Click(1440, 3840, 1335, 375);
    ASSERT_TRUE(desktop.WaitForExit(3000));
    EXPECT_EQ(desktop.CountWindows("dudo tray icon"), 0);
}

TEST(NoDisplay, SaysSoAndWritesNothing) {
    const std::string out = Shell("cd /tmp && env -u DISPLAY " DUDO_BINARY " 2>&1; echo status=$?");
    EXPECT_NE(out.find("DISPLAY"), std::string::npos) << out;
    EXPECT_NE(out.find("status=2"), std::string::npos) << out;
}

TEST_F(Program, KeyboardReachesTheQualityFieldAndTheLibrary) {
    PatternWindow pattern(desktop.display(), 300, 100, 600, 400);  // detail for the encoder
    Click(1020, 2040, 1815, 300);  // open Combo3
    desktop.Xdotool("key Down Down Return");  // Jpeg: quality field shows 100
    desktop.Xdotool("mousemove 60 200");      // keys go to the window under the pointer
    const std::string best = PressPrintScreen();
    // Combo3, then Command1 and Command2; the hidden fields are skipped: Text6.
    // Its focus selects "100", so the typed digits replace it.
    desktop.Xdotool("key Tab Tab Tab");
    desktop.Xdotool("type 10");
    const std::string rough = PressPrintScreen();
    ASSERT_TRUE(best.ends_with(".jpg")) << best;
    ASSERT_TRUE(rough.ends_with(".jpg")) << rough;
    const auto bestSize = std::filesystem::file_size(desktop.folder() / best);
    const auto roughSize = std::filesystem::file_size(desktop.folder() / rough);
    EXPECT_LT(roughSize * 3, bestSize) << bestSize << " " << roughSize;
}

TEST_F(Program, HidingWhileCapturingShowsWhatLiesUnderThePanel) {
    PatternWindow pattern(desktop.display(), 0, 0, 400, 400);
    desktop.Xdotool("search --name dudo進階版 windowraise");  // the panel in front of the pattern
    Click(600, 3540, 1035, 255);                                // tick Check1
    desktop.Xdotool("mousemove 1200 700");
    ASSERT_NE(Grab(desktop.display(), 100, 100, 1, 1).at(0, 0) & 0xFFFFFF, PatternPixel(100, 100) & 0xFFFFFF)
        << "the panel is not in front";
    const std::string name = PressPrintScreen();
    ASSERT_FALSE(name.empty());
    ExpectPattern(ReadPng(desktop.folder() / name), 0, 0, 0, 0, 400, 400);
    EXPECT_TRUE(desktop.WaitFor([&] {
        const auto w = desktop.Window("dudo進階版");
        return w && w->viewable;
    }));  // and the panel comes back
}

TEST_F(Program, ARangeTypedDigitByDigitIsCaptured) {
    Click(1020, 360, 1815, 300);
    desktop.Xdotool("key Down Down Return");  // 指定範圍
    const char* corners[] = {"100", "50", "300", "250"};
    const int places[4][2] = {{1020, 720}, {1740, 720}, {1020, 960}, {1740, 960}};
    for (int i = 0; i < 4; ++i) {
        Click(places[i][0], places[i][1], 465, 270);  // the focus selects the field's "0"
        desktop.Xdotool(std::string("type --delay 80 ") + corners[i]);
    }
    PatternWindow pattern(desktop.display(), 100, 50, 200, 200);  // over the panel, once the typing is done
    ExpectCaptureOfPattern(100, 50, 200, 200);
}

TEST_F(Program, ATypedScaleReachesThePicture) {
    Click(1020, 3120, 500, 300);  // the edit part of Combo4
    desktop.Xdotool("key ctrl+a");
    desktop.Xdotool("type 0.5");
    desktop.Xdotool("mousemove 1200 700");
    const std::string name = PressPrintScreen();
    ASSERT_FALSE(name.empty());
    const Picture p = ReadPng(desktop.folder() / name);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 400);
}

TEST_F(Program, TheAboutMessageOpensAndCapturesGoOnMeanwhile) {
    Click(120, 3480, 375, 375);  // Command4
    EXPECT_TRUE(desktop.WaitFor([&] { return desktop.Window("作者的話").has_value(); }));
    EXPECT_FALSE(PressPrintScreen().empty());
    const auto box = desktop.Window("作者的話");
    ASSERT_TRUE(box);
    desktop.Xdotool("mousemove " + std::to_string(box->x + box->width / 2) + " " + std::to_string(box->y + 10));
    desktop.Xdotool("key Return");
    EXPECT_TRUE(desktop.WaitFor([&] { return !desktop.Window("作者的話").has_value(); }));
    EXPECT_TRUE(desktop.ProgramRunning());
}

TEST(WithoutSharedMemory, ThePlainImageRequestGivesTheSamePicture) {
    Desktop desktop(1024, 768, /*withSharedMemory=*/false);
    ASSERT_EQ(Shell(desktop.Env() + "xdpyinfo | grep -c MIT-SHM"), "0\n");
    desktop.StartProgram();
    ASSERT_TRUE(desktop.ProgramRunning()) << desktop.ProgramLog();
    PatternWindow pattern(desktop.display(), 300, 100, 400, 300);
    desktop.Xdotool("mousemove 1000 700");
    const auto before = desktop.Files();
    desktop.Xdotool("key Print");
    const auto name = desktop.WaitForNewFile(before);
    ASSERT_TRUE(name);
    const Picture p = ReadPng(desktop.folder() / *name);
    EXPECT_EQ(p.width, 1024);
    for (int y = 100; y < 400; ++y)
        for (int x = 300; x < 700; ++x) ASSERT_EQ(p.at(x, y) & 0xFFFFFF, PatternPixel(x, y) & 0xFFFFFF) << x << "," << y;
}
