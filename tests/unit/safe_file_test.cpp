// Saving never replaces a file, never follows a planted link and never
// leaves a partial file behind.
#include <gtest/gtest.h>

#include <fstream>

#include "common/error.h"
#include "imagelib/safe_file.h"
#include "tests/unit/test_files.h"

using namespace dudo;
using namespace dudo::test;

static std::vector<std::uint8_t> BytesOf(const std::string& s) { return {s.begin(), s.end()}; }

// A symbolic link where the system lets us make one (MinGW's runtime has
// none); otherwise a plain file, which takes the name all the same.
static void Plant(const std::filesystem::path& target, const std::filesystem::path& at) {
    std::error_code error;
    std::filesystem::create_symlink(target, at, error);
    if (error) std::ofstream(at) << "taken";
}

TEST(SafeSave, TakenNamesAndPlantedLinksGetTheNextSuffix) {
    TempFolder folder;
    const auto victim = folder.path() / "victim.txt";
    std::ofstream(victim) << "keep";
    Plant(victim, folder.path() / "0000 (2).png");
    Plant(folder.path() / "missing", folder.path() / "0000 (3).png");
    for (const char* expected : {"0000.png", "0000 (4).png", "0000 (5).png"})
        EXPECT_EQ(WriteNewFile(folder.path(), "0000", ".png", BytesOf(expected)).filename(), expected);
    EXPECT_EQ(FileContents(folder.path() / "0000.png"), "0000.png");
    EXPECT_EQ(FileContents(folder.path() / "0000 (4).png"), "0000 (4).png");
    EXPECT_EQ(FileContents(victim), "keep");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"));
    EXPECT_EQ(folder.files().size(), 6u);  // no temporary file is left
}

// A missing folder is played on every desktop (DeletedFolder); names that
// would leave the folder or hide the file are refused.
TEST(SafeSave, NamesThatWouldLeaveTheFolderAreRefused) {
    TempFolder folder;
    for (const char* name : {"../escape", "", ".hidden"}) EXPECT_THROW(WriteNewFile(folder.path(), name, ".png", BytesOf("x")), Error);
    EXPECT_TRUE(folder.files().empty());
}
