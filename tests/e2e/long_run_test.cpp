// Many captures in one process at a steady rate: each press gives exactly
// one new file and memory stays flat. DUDO_LONG_RUN_PRESSES sets the count
// (200 by default; bench/long_run.sh runs 2,000).
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/desktop.h"

using namespace dudo::e2e;

TEST(LongRun, EveryPressGivesOneFileAndMemoryStaysFlat) {
    const char* setting = std::getenv("DUDO_LONG_RUN_PRESSES");
    const int presses = setting ? std::max(60, std::atoi(setting)) : 200;
    Desktop desktop(640, 480);
    desktop.StartProgram();
    ASSERT_TRUE(desktop.ProgramRunning()) << desktop.ProgramLog();
    PatternWindow pattern(desktop.display(), 0, 0, 640, 480);
    desktop.Xdotool("mousemove 600 400");
    long warmKb = 0;
    for (int i = 1; i <= presses; ++i) {
        desktop.Xdotool("key Print");
        ASSERT_TRUE(desktop.WaitFor([&] { return desktop.Files().size() >= static_cast<std::size_t>(i); }))
            << "press " << i << " gave no file\n" << desktop.ProgramLog();
        if (i == 50) warmKb = ProcessMemoryKb(desktop.programPid(), "VmRSS:");
        if (i % (presses / 4) == 0) std::printf("resident after %d presses: %ld kB\n", i, ProcessMemoryKb(desktop.programPid(), "VmRSS:"));
    }
    usleep(500000);
    EXPECT_EQ(desktop.Files().size(), static_cast<std::size_t>(presses));  // one each, none replaced
    for (const std::string& name : desktop.Files()) EXPECT_NE(name[0], '.') << name;
    const long endKb = ProcessMemoryKb(desktop.programPid(), "VmRSS:");
    std::printf("resident after 50 presses: %ld kB\n", warmKb);
#ifndef DUDO_SANITIZED  // AddressSanitizer holds freed memory back on purpose
    EXPECT_LT(endKb - warmKb, 4096) << "memory grows with captures";
#endif
    EXPECT_TRUE(desktop.ProgramRunning());
}
