#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <fstream>

#include "common/error.h"
#include "imagelib/image_library.h"
#include "imagelib/safe_file.h"
#include "tests/unit/test_files.h"

using namespace dudo;
using namespace dudo::test;

namespace {

std::vector<std::uint8_t> BytesOf(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

TEST(SafeSave, ASecondPictureUnderTheSameNameGoesBesideTheFirst) {
    TempFolder folder;
    const auto first = WriteNewFile(folder.path(), "14-05-09", ".png", BytesOf("first"));
    const auto second = WriteNewFile(folder.path(), "14-05-09", ".png", BytesOf("second"));
    const auto third = WriteNewFile(folder.path(), "14-05-09", ".png", BytesOf("third"));
    EXPECT_EQ(first.filename(), "14-05-09.png");
    EXPECT_EQ(second.filename(), "14-05-09 (2).png");
    EXPECT_EQ(third.filename(), "14-05-09 (3).png");
    EXPECT_EQ(FileContents(first), "first");
    EXPECT_EQ(FileContents(second), "second");
    EXPECT_EQ(folder.files().size(), 3u);  // no temporary file is left
}

TEST(SafeSave, APlantedSymbolicLinkIsNeitherFollowedNorReplaced) {
    TempFolder folder;
    const auto victim = folder.path() / "victim.txt";
    std::ofstream(victim) << "keep";
    std::filesystem::create_symlink(victim, folder.path() / "0000.png");
    std::filesystem::create_symlink(folder.path() / "missing", folder.path() / "0000 (2).png");
    const auto written = WriteNewFile(folder.path(), "0000", ".png", BytesOf("picture"));
    EXPECT_EQ(written.filename(), "0000 (3).png");
    EXPECT_EQ(FileContents(victim), "keep");
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "0000.png"));
}

TEST(SafeSave, AMissingFolderFailsAndSaysSo) {
    TempFolder folder;
    const auto gone = folder.path() / "gone";
    try {
        WriteNewFile(gone, "a", ".png", BytesOf("x"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }
}

TEST(SafeSave, AWriteThatRunsOutOfSpaceLeavesNoFile) {
    TempFolder folder;
    WriteNewFile(folder.path(), "old", ".png", BytesOf("earlier picture"));
    // A file-size limit makes the write fail the way a full disk does.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(WriteNewFile(folder.path(), "big", ".png", std::vector<std::uint8_t>(100000, 7)), Error);
    EXPECT_THROW(WriteNewFile(folder.path(), "old", ".png", std::vector<std::uint8_t>(100000, 7)), Error);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(folder.files(), (std::set<std::string>{"old.png"}));
    EXPECT_EQ(FileContents(folder.path() / "old.png"), "earlier picture");
}

TEST(SafeSave, NamesThatWouldLeaveTheFolderAreRefused) {
    TempFolder folder;
    EXPECT_THROW(WriteNewFile(folder.path(), "../escape", ".png", BytesOf("x")), Error);
    EXPECT_THROW(WriteNewFile(folder.path(), "", ".png", BytesOf("x")), Error);
    EXPECT_TRUE(folder.files().empty());
}
