// Saving never replaces a file, never follows a planted link and never
// leaves a partial file behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "common/error.h"
#include "imagelib/safe_file.h"
#include "imagelib/temp_file.h"
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

// Private while it is written; once whole, the user's alone in a folder
// anyone may write (a shared /tmp), else of the mode the umask gives.
TEST(SafeSave, PicturesArePrivateWhileWrittenAndInFoldersAnyoneMayWrite) {
#ifdef _WIN32
    GTEST_SKIP() << "no POSIX modes";
#else
    const mode_t mask = umask(022);
    for (const auto& [folderMode, expected] : {std::pair(0755, 0644), std::pair(01777, 0600)}) {
        TempFolder folder;
        chmod(folder.path().c_str(), folderMode);
        const auto modeOf = [](const std::filesystem::path& file) {
            struct stat st{};
            stat(file.c_str(), &st);
            return static_cast<int>(st.st_mode & 0777);
        };
        int whileWritten = -1;
        const auto saved = WriteNewFile(folder.path(), "0000", ".png", [&](const ByteSink& sink) {
            sink(BytesOf("x"));
            for (const auto& entry : std::filesystem::directory_iterator(folder.path())) whileWritten = modeOf(entry.path());
        });
        EXPECT_EQ(whileWritten, 0600) << std::oct << folderMode;
        EXPECT_EQ(modeOf(saved), expected) << std::oct << folderMode;
    }
    umask(mask);
#endif
}

// What a killed save leaves is removed at the next start once it is older
// than any save takes; newer ones, and hidden files not of our saves, stay.
TEST(SafeSave, PartialFilesOfKilledSavesGoOnceStale) {
    TempFolder folder;
    const auto leftOver = [&](const std::string& name) { return TempFile(folder.path(), name).path(); };  // its name, then gone
    const auto stale = leftOver("12-00-00"), scratch = leftOver("initialize.bmp"), recent = leftOver("0042");
    const auto notOurs = folder.path() / ".notes.abcdef", picture = folder.path() / "12-00-00.png";
    const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& file : {stale, scratch, recent, notOurs, picture}) std::ofstream(file) << "x";
    for (const auto& file : {stale, scratch, notOurs, picture}) std::filesystem::last_write_time(file, hourAgo);
    RemoveStalePartialFiles(folder.path());
    EXPECT_EQ(folder.files(), (std::set<std::string>{recent.filename().string(), ".notes.abcdef", "12-00-00.png"}));
}
