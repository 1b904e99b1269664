#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/application.h"
#include "platform/null/null_platform.h"
#include "tests/unit/test_files.h"

using namespace dudo;
using namespace dudo::test;

namespace {

struct App : ::testing::Test {
    TempFolder folder;
    NullPlatform platform;
    Application app{platform, [this] { return std::make_unique<ImageLibrary>(folder.path()); }};

    void Start() {
        app.Form_Load();
        app.form.setVisible(true);
        app.Form_Activate();
    }
    IconRequest LastIcon() { return DecodeIconRecord(platform.trayRequests.back().record); }
    void TrayEvent(int number) { platform.trayReceiver(number); }
};

}  // namespace

TEST_F(App, StartUpRunsOnceAndAddsOneIcon) {
    Start();
    app.form.Combo3.setText("Jpeg");
    app.Form_Activate();  // later activations change nothing
    EXPECT_EQ(app.form.Combo3.text(), "Jpeg");
    EXPECT_EQ(app.form.Label1(8).caption(), "抓圖熱鍵：< Print Screen > 1.0.57");
    EXPECT_FALSE(app.form.mnuNotifyIcon.visible());
    EXPECT_EQ(app.form.heightTwips(), 4320);  // designed height plus menu bar, less 300
    ASSERT_EQ(platform.trayRequests.size(), 1u);
    EXPECT_EQ(platform.trayRequests[0].message, NotifyMessage::Add);
    EXPECT_EQ(LastIcon().tip, "dudo");
    EXPECT_EQ(LastIcon().info, "");
    EXPECT_FALSE(app.form.RegisteredThisRun);
    EXPECT_TRUE(folder.files().empty());  // the scratch file is gone
}

TEST_F(App, AnExistingScratchFileIsOverwrittenAndDeleted) {
    std::ofstream(folder.path() / "initialize.bmp") << "not a bitmap";
    app.Form_Load();
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(App, ASecondInstanceEndsBeforeShowingAnything) {
    platform.otherInstance = true;
    EXPECT_THROW(app.Form_Load(), ProcessEnded);
    EXPECT_FALSE(app.form.visible());
    ASSERT_EQ(platform.trayRequests.size(), 1u);
    EXPECT_EQ(platform.trayRequests[0].message, NotifyMessage::Delete);
    EXPECT_EQ(platform.trayRequests[0].record, IconRecord{});  // names no icon of this run
}

TEST_F(App, AboutMessageHasEightLines) {
    Start();
    app.Command4_Click();
    ASSERT_EQ(platform.messageBoxes.size(), 1u);
    EXPECT_EQ(platform.messageBoxes[0].first, "作者的話");
    std::vector<std::string> lines;
    std::istringstream text(platform.messageBoxes[0].second);
    for (std::string line; std::getline(text, line);) lines.push_back(line.substr(0, line.find('\r')));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "核心如下：");
    EXPECT_EQ(lines[3], app.form.Engine().VersionText());
    for (const char* codec : {"libdeflate", "libjpeg-turbo", "giflib", "libimagequant", "pixman"})
        EXPECT_NE(lines[3].find(codec), std::string::npos) << codec;
    EXPECT_EQ(lines[6], "本程式預設存檔路徑：");
    EXPECT_EQ(lines[7], "/opt/dudo");
}

TEST_F(App, HideToTrayAndBack) {
    Start();
    app.tray.Command2_Click();
    EXPECT_FALSE(app.form.visible());
    EXPECT_EQ(LastIcon().info, "程式縮小於此");
    EXPECT_EQ(LastIcon().infoTitle, "dudo進階版");
    EXPECT_EQ(LastIcon().infoFlags, 1u);
    EXPECT_EQ(LastIcon().timeoutMs, 3000u);
    TrayEvent(517);  // right button released: the menu, "顯示" available
    EXPECT_EQ(platform.popupMenus, 1);
    EXPECT_EQ(platform.foregroundRequests, 1);
    EXPECT_TRUE(app.form.mnuNotifyIconS(0).enabled());
    TrayEvent(514);  // left release: nothing
    EXPECT_FALSE(app.form.visible());
    TrayEvent(513);
    EXPECT_TRUE(app.form.visible());
    TrayEvent(517);
    EXPECT_FALSE(app.form.mnuNotifyIconS(0).enabled());
    const std::size_t before = platform.trayRequests.size();
    TrayEvent(512);
    TrayEvent(512);
    EXPECT_EQ(platform.trayRequests.size(), before + 2);
    EXPECT_EQ(LastIcon().info, "~^_^~");
    EXPECT_EQ(LastIcon().timeoutMs, 1u);
}

TEST_F(App, AFailedCaptureIsShownAndTheProgramGoesOn) {
    Start();
    app.form.Check1.setValue(1);
    app.form.Combo4.setText("1e300");
    platform.keyStates[VK_SNAPSHOT].push_back(0x8001);
    platform.timerTick = nullptr;
    app.Guarded([&] { app.capturer.Timer1_Timer(); });
    ASSERT_EQ(platform.messageBoxes.size(), 1u);
    EXPECT_NE(platform.messageBoxes[0].second.find("overflow"), std::string::npos);
    EXPECT_TRUE(app.form.visible());
    EXPECT_EQ(app.form.caption(), "dudo進階版");
    app.form.Combo4.setText("1");
    platform.keyStates[VK_SNAPSHOT].push_back(0x8001);
    app.Guarded([&] { app.capturer.Timer1_Timer(); });
    EXPECT_EQ(folder.files().size(), 1u);
}
