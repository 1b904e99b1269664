// The program's path in the Exec line of a desktop entry we write for KDE:
// quoted and escaped as the desktop entry format has it, so that a path
// with a space, a quote, a dollar, a backtick, a backslash or a percent
// still names the program, and the entry passes the format's validator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "common/error.h"
#include "platform/kde/kwin_screenshot.h"
#include "tests/unit/test_files.h"

using namespace dudo;

TEST(DesktopEntry, ExecQuotesAndEscapesThePath) {
    const std::pair<const char*, const char*> paths[] = {
        {"/usr/bin/dudo", R"("/usr/bin/dudo")"},
        {"/home/a b/dudo", R"("/home/a b/dudo")"},
        {R"(/opt/"x"/dudo)", R"("/opt/\\"x\\"/dudo")"},
        {"/opt/$HOME`id`/dudo", R"("/opt/\\$HOME\\`id\\`/dudo")"},
        {R"(/opt/back\slash/dudo)", R"("/opt/back\\\\slash/dudo")"},
        {"/opt/100%/dudo", R"("/opt/100%%/dudo")"},
    };
    test::TempFolder folder;
    for (const auto& [path, quoted] : paths) {
        const std::string exec = KwinScreenshot::QuotedExecArgument(path);
        EXPECT_EQ(exec, quoted) << path;
        const auto entry = folder.path() / "dudo-test.desktop";
        std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=dudo\nExec=" << exec << " --capture\n";
        EXPECT_EQ(std::system(("desktop-file-validate '" + entry.string() + "'").c_str()), 0) << exec;
    }
    EXPECT_THROW(KwinScreenshot::QuotedExecArgument("/opt/line\nbreak/dudo"), Error);
}
