#include <gtest/gtest.h>

#include <fstream>

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

// The icon, the panel's count and the scratch file are watched on every
// desktop by the scenarios; here what they cannot see.
// A file of the scratch picture's name, or a link planted there to a file
// the user may write (where the system has links), is neither written nor
// removed.
TEST_F(App, StartUpRunsOnceAndTheScratchFileGoes) {
    std::ofstream(folder.path() / "precious") << "not a bitmap";
    std::error_code noLinks;
    std::filesystem::create_symlink("precious", folder.path() / "initialize.bmp", noLinks);
    if (noLinks) std::ofstream(folder.path() / "initialize.bmp") << "not a bitmap";
    Start();
    app.form.Combo3.setText("Jpeg");
    app.Form_Activate();  // later activations change nothing
    EXPECT_EQ(app.form.Combo3.text(), "Jpeg");
    EXPECT_EQ(app.form.Label1(8).caption(), "抓圖熱鍵：< Print Screen > " DUDO_VERSION);
    EXPECT_EQ(LastIcon().tip, "dudo");
    EXPECT_EQ(folder.files(), (std::set<std::string>{"initialize.bmp", "precious"}));
    EXPECT_EQ(test::FileContents(folder.path() / "initialize.bmp"), "not a bitmap");
}

TEST_F(App, AboutMessage) {
    Start();
    app.Command4_Click();
    ASSERT_EQ(platform.messageBoxes.size(), 1u);
    EXPECT_EQ(platform.messageBoxes[0].first, "作者的話");
    const std::string text = platform.messageBoxes[0].second;
    EXPECT_TRUE(text.starts_with("dudo進階版 " DUDO_VERSION "：")) << text;
    EXPECT_NE(text.find("\r\n\r\n核心如下：\r\n" + app.form.Engine().VersionText() + "\r\n"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\r\n本程式預設存檔路徑：\r\n/opt/dudo")) << text;
    for (const char* codec : {"libdeflate", "libjpeg-turbo", "giflib", "libimagequant", "pixman"})
        EXPECT_NE(text.find(codec), std::string::npos) << codec;
}

// What the balloons carry; the events themselves are played on real trays.
TEST_F(App, BalloonsOfHidingAndHovering) {
    Start();
    app.tray.Command2_Click();
    const IconRequest hidden = LastIcon();
    EXPECT_EQ(hidden.info + hidden.infoTitle, "程式縮小於此dudo進階版");
    EXPECT_EQ(hidden.infoFlags * 10000 + hidden.timeoutMs, 13000u);
    TrayEvent(514);  // left release: nothing
    EXPECT_FALSE(app.form.visible());
    const std::size_t before = platform.trayRequests.size();
    TrayEvent(512);
    TrayEvent(512);
    EXPECT_EQ(platform.trayRequests.size(), before + 2);
    EXPECT_EQ(LastIcon().info + std::to_string(LastIcon().timeoutMs), "~^_^~1");
    app.form.setVisible(true);
    platform.trayShown = false;  // no tray: minimised, not hidden, and the balloon still goes
    app.tray.Command2_Click();
    EXPECT_EQ(std::tuple(app.form.visible(), platform.minimized, LastIcon().info), std::tuple(true, 1, "程式縮小於此"));
}
