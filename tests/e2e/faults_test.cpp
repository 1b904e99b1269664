// Faults a capture tool must survive without losing a picture: a full disk,
// a read-only or deleted working folder, a kill in the middle of a save, a
// planted symbolic link, and the X server going away.
#include <gtest/gtest.h>
#include <signal.h>
#include <fstream>
#include <map>

#include "tests/e2e/desktop.h"

using namespace dudo;
using namespace dudo::e2e;
namespace fs = std::filesystem;

namespace {

struct Faults : ::testing::Test {
    std::unique_ptr<Desktop> desktop;
    bool mounted = false;

    void Start(int width = 1280, int height = 800, const std::string& tmpfsSize = "") {
        desktop = std::make_unique<Desktop>(width, height);
        if (!tmpfsSize.empty()) {
            const std::string dir = desktop->folder().string();
            mounted = Shell("mount -t tmpfs -o size=" + tmpfsSize + " tmpfs '" + dir + "' 2>&1 && echo ok").ends_with("ok\n");
            if (!mounted) GTEST_SKIP() << "mounting a tmpfs needs root";
        }
        desktop->StartProgram();
        ASSERT_TRUE(desktop->ProgramRunning()) << desktop->ProgramLog();
        desktop->Xdotool("mousemove 1200 700");
    }
    void TearDown() override {
        if (!desktop) return;
        desktop->StopProgram();
        if (mounted) Shell("umount -l '" + desktop->folder().string() + "'");
    }
    std::string Press() {
        const auto before = desktop->Files();
        desktop->Xdotool("key Print");
        return desktop->WaitForNewFile(before).value_or("");
    }
    void ChooseFormat(const std::string& keys) {  // from the current item of Combo3
        desktop->Click(1020, 2040, 1815, 300);
        desktop->Xdotool("key " + keys + " Return");
    }
    // The real-named pictures and their bytes.
    std::map<std::string, std::string> Pictures() {
        std::map<std::string, std::string> pictures;
        for (const std::string& name : desktop->Files())
            if (name[0] != '.') pictures[name] = test::FileContents(desktop->folder() / name);
        return pictures;
    }
    // A failure is shown in a message box beside the panel, and logged.
    void ExpectFailureShown(const std::string& logged) {
        EXPECT_TRUE(desktop->WaitFor([&] { return desktop->CountWindows("dudo進階版") >= 2; })) << "no message box";
        EXPECT_TRUE(desktop->WaitFor([&] { return desktop->ProgramLog().find(logged) != std::string::npos; }))
            << desktop->ProgramLog();
        EXPECT_TRUE(desktop->ProgramRunning());
    }
    void CloseMessage() {
        desktop->Xdotool("search --name dudo進階版 windowfocus %@ key Return");
        desktop->Xdotool("key Escape");
    }
};

}  // namespace

TEST_F(Faults, AFullDiskKeepsEarlierPicturesAndLeavesNoPartialFile) {
    Start(1280, 800, "256k");
    if (!mounted) return;
    const std::string first = Press();  // a black screen: a small PNG
    ASSERT_FALSE(first.empty());
    const auto before = Pictures();
    ChooseFormat("Down");  // Bmp: 3 MB, more than the disk holds
    desktop->Xdotool("mousemove 1200 700 key Print");
    ExpectFailureShown("No space left on device");
    EXPECT_EQ(Pictures(), before);
    for (const std::string& name : desktop->Files()) EXPECT_NE(name[0], '.') << "temporary file left: " << name;
    CloseMessage();
    ChooseFormat("Up");  // Png again: there is room for it
    EXPECT_FALSE(Press().empty()) << desktop->ProgramLog();
}

TEST_F(Faults, AReadOnlyFolderIsReportedAndWritableAgainWorks) {
    Start(1280, 800, "8m");
    if (!mounted) return;
    ASSERT_FALSE(Press().empty());
    const auto before = Pictures();
    Shell("mount -o remount,ro '" + desktop->folder().string() + "'");
    desktop->Xdotool("key Print");
    ExpectFailureShown("Read-only file system");
    EXPECT_EQ(Pictures(), before);
    CloseMessage();
    Shell("mount -o remount,rw '" + desktop->folder().string() + "'");
    EXPECT_FALSE(Press().empty()) << desktop->ProgramLog();
    EXPECT_EQ(Pictures().size(), 2u);
}

TEST_F(Faults, ADeletedFolderIsReportedAndTheProgramKeepsRunning) {
    Start();
    ASSERT_FALSE(Press().empty());
    fs::remove_all(desktop->folder());
    desktop->Xdotool("key Print");
    ExpectFailureShown("No such file or directory");
    EXPECT_FALSE(fs::exists(desktop->folder()));  // nothing made it up again
}

TEST_F(Faults, AKillDuringALargeSaveLeavesNoPartialPicture) {
    Start(3840, 2160);
    PatternWindow pattern(desktop->display(), 0, 0, 3840, 2160);  // detail: a slow PNG
    const std::string first = Press();
    ASSERT_FALSE(first.empty());
    const auto before = Pictures();
    // Kill it the moment its temporary file appears.
    FolderWatch watch(desktop->folder());
    desktop->Xdotool("key Print");
    const auto temporary = watch.Next([](const std::string& name) { return name[0] == '.'; }, 5000);
    ASSERT_TRUE(temporary) << "no save started";
    ASSERT_EQ(kill(desktop->programPid(), SIGKILL), 0);
    desktop->WaitForExit(3000);
    // Every picture under a real name is whole; the first is untouched.
    const auto after = Pictures();
    EXPECT_EQ(after.at(first), before.at(first));
    for (const auto& [name, bytes] : after) EXPECT_EQ(ReadPng(desktop->folder() / name).width, 3840) << name;
    // The lock went with the process: a new one starts and captures.
    desktop->StartProgram();
    ASSERT_TRUE(desktop->ProgramRunning()) << desktop->ProgramLog();
    EXPECT_FALSE(Press().empty());
}

TEST_F(Faults, APlantedLinkUnderTheNextNameIsNeitherFollowedNorReplaced) {
    Start();
    desktop->Click(1020, 1320, 1815, 300);  // Combo2: 自訂初值, the counter from 0000
    desktop->Xdotool("key Down Down Down Return");
    test::TempFolder elsewhere;
    const fs::path victim = elsewhere.path() / "victim";
    std::ofstream(victim) << "keep me";
    fs::create_symlink(victim, desktop->folder() / "0000.png");
    desktop->Xdotool("mousemove 1200 700");
    EXPECT_EQ(Press(), "0000 (2).png");
    EXPECT_EQ(test::FileContents(victim), "keep me");
    EXPECT_TRUE(fs::is_symlink(desktop->folder() / "0000.png"));
    EXPECT_EQ(ReadPng(desktop->folder() / "0000 (2).png").width, 1280);
}

TEST_F(Faults, TheXServerGoingAwayEndsTheProgramWithAClearMessage) {
    Start();
    ASSERT_FALSE(Press().empty());
    const auto before = desktop->Files();
    desktop->StopServer();
    const auto status = desktop->WaitForExit(5000);
    ASSERT_TRUE(status) << "still running without its display";
    EXPECT_NE(*status, 0);
    EXPECT_NE(desktop->ProgramLog().find("X11"), std::string::npos) << desktop->ProgramLog();
    EXPECT_EQ(desktop->Files(), before);  // no picture of nothing
}

TEST(Sessions, AWaylandSessionWithoutXIsNamedAndNothingIsWritten) {
    test::TempFolder folder;
    const std::string out = Shell("cd '" + folder.path().string() + "' && env -u DISPLAY WAYLAND_DISPLAY=wayland-0 " DUDO_BINARY
                                  " 2>&1; echo status=$?");
    EXPECT_NE(out.find("Wayland"), std::string::npos) << out;
    EXPECT_NE(out.find("status=2"), std::string::npos) << out;
    EXPECT_TRUE(folder.files().empty());
}

TEST(Sessions, AnUnreachableDisplayIsNamed) {
    test::TempFolder folder;
    const std::string out =
        Shell("cd '" + folder.path().string() + "' && DISPLAY=:987 " DUDO_BINARY " 2>&1; echo status=$?");
    EXPECT_NE(out.find(":987"), std::string::npos) << out;
    EXPECT_NE(out.find("status=2"), std::string::npos) << out;
    EXPECT_TRUE(folder.files().empty());
}
