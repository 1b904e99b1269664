// Print Screen on a headless sway at 1920x1080 showing the busy desktop:
// from the key (wtype, through sway's binding to `dudo --capture`) to the
// finished PNG, against the same press bound to a command that only makes a
// file, and the screen copy alone; then the same press through the desktop
// portal. Not a test: it prints a table, to stdout and to the file given.
//   wayland_bench [results.md] [--presses N]
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/folder_watch.h"
#include "bench/scene.h"
#include "platform/wayland/wayland_screen.h"
#include "tests/e2e/desktop.h"

using namespace dudo;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

struct Series {
    std::vector<double> ms;
    std::uintmax_t bytes = 0;
    double At(double q) const {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[static_cast<std::size_t>(q * (v.size() - 1))];
    }
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One press of Print on the desktop's keyboard, timed to the first new name
// that `wanted` accepts in the folder; negative when none came in 5 s.
double TimedPress(e2e::Desktop& desktop, const fs::path& folder, const std::function<bool(const std::string&)>& wanted,
                  std::string& name) {
    bench::FolderWatch watch(folder);
    const auto start = Clock::now();
    std::thread press([&] { desktop.PrintScreen(); });
    const auto found = watch.Next(wanted, 5000);
    const double ms = Ms(Clock::now() - start);
    press.join();
    if (!found) return -1;
    name = *found;
    return ms;
}

// Presses bound in turn to the program and to `touch` of a file: the
// baseline is what sway and wtype cost before any program runs.
void Presses(e2e::Desktop& desktop, int presses, Series& program, Series& baseline) {
    const fs::path folder = desktop.folder(), mark = folder / "mark";
    for (int i = 0; i < presses; ++i) {
        std::string name;
        desktop.Command("bindsym --no-warn Print exec " DUDO_BINARY " --capture");
        const double ms = TimedPress(desktop, folder, [](const std::string& n) { return n.ends_with(".png") && n[0] != '.'; }, name);
        if (ms < 0) throw std::runtime_error("no picture: " + desktop.ProgramLog());
        program.ms.push_back(ms);
        e2e::SleepMs(50);  // let the file settle before sizing it
        program.bytes = fs::file_size(folder / name);
        fs::remove(folder / name);

        desktop.Command("bindsym --no-warn Print exec touch " + mark.string());
        const double touched = TimedPress(desktop, folder, [](const std::string& n) { return n == "mark"; }, name);
        if (touched < 0) throw std::runtime_error("the bound command did not run");
        baseline.ms.push_back(touched);
        e2e::SleepMs(50);
        fs::remove(mark);
        e2e::SleepMs(150);
    }
}

// The screen copy alone, from this process, into a kept surface, on a
// screen that has not changed since its last frame: copies a frame apart,
// as back to back each would wait for the frame after the last one's.
Series CopyAlone(const e2e::Desktop& desktop, int runs) {
    setenv("WAYLAND_DISPLAY", desktop.DisplayName().c_str(), 1);
    WaylandScreen screen;
    Picture surface = Picture::Sized(kWidth, kHeight, {});
    screen.CopyScreen(0, 0, surface, false);
    Series s;
    for (int i = 0; i < runs; ++i) {
        e2e::SleepMs(50);
        const auto start = Clock::now();
        screen.CopyScreen(0, 0, surface, false);
        s.ms.push_back(Ms(Clock::now() - start));
    }
    return s;
}

// The busy desktop as sway's wallpaper, in a folder its user can read.
std::unique_ptr<e2e::Desktop> SceneDesktop(bool portal, const fs::path& scene) {
    e2e::DesktopOptions options;
    options.width = kWidth, options.height = kHeight, options.portal = portal;
    auto desktop = e2e::MakeSwayDesktop(options);
    desktop->Command("output HEADLESS-1 bg " + scene.string() + " stretch");
    desktop->StartProgram();
    e2e::SleepMs(1000);
    return desktop;
}

std::string Row(const char* what, const Series& s, const Series* against) {
    char ratio[64] = "";
    if (against) std::snprintf(ratio, sizeof ratio, "x%.2f, %+.1f ms", s.At(0.5) / against->At(0.5), s.At(0.5) - against->At(0.5));
    char line[256];
    std::snprintf(line, sizeof line, "| %s | %.1f ms | %.1f–%.1f | %s |", what, s.At(0.5), s.At(0), s.At(1), ratio);
    return line;
}

// Press by press, the program's time less the baseline's press right after
// it: the machine's pace drifts over a run, and each pair shares it.
Series Paired(const Series& program, const Series& baseline) {
    Series d;
    for (std::size_t i = 0; i < std::min(program.ms.size(), baseline.ms.size()); ++i) d.ms.push_back(program.ms[i] - baseline.ms[i]);
    return d;
}

std::string PairedRow(const char* what, const Series& program, const Series& baseline) {
    const Series d = Paired(program, baseline);
    char line[256];
    std::snprintf(line, sizeof line, "| %s | %+.1f ms | %+.1f–%+.1f |", what, d.At(0.5), d.At(0), d.At(1));
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    std::string results;
    int presses = 15;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--presses" && i + 1 < argc) presses = std::stoi(argv[++i]);
        else results = a;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // the scene's fonts
    test::TempFolder sceneFolder("dudo-bench-scene-");
    fs::permissions(sceneFolder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                            fs::perms::others_read | fs::perms::others_exec);
    const fs::path scene = sceneFolder.path() / "scene.png";
    Picture picture = bench::DesktopScene(kWidth, kHeight);
    QImage(reinterpret_cast<const uchar*>(picture.row(0)), picture.width, picture.height, picture.stride * 4, QImage::Format_RGB32)
        .save(QString::fromStdString(scene.string()));

    Series copy, direct, baseline, portal, portalBaseline;
    {
        auto desktop = SceneDesktop(false, scene);
        copy = CopyAlone(*desktop, presses * 2);
        Presses(*desktop, presses, direct, baseline);
    }
    {
        auto desktop = SceneDesktop(true, scene);
        Presses(*desktop, presses, portal, portalBaseline);
    }

    std::vector<std::string> lines = {
        "## Print Screen on Wayland (headless sway)",
        "",
        "Measured " + e2e::Shell("date -u '+%Y-%m-%d %H:%M UTC' | tr -d '\\n'") + " on " + e2e::Shell("nproc | tr -d '\\n'") +
            " cores; " + e2e::Shell("sway --version | tr -d '\\n'") + ", pixman renderer, 1920x1080, the busy desktop as the "
            "wallpaper; " + std::to_string(presses) + " presses each, alternating with the baseline.",
        "",
        "The baseline is the same press of Print (wtype, then sway's binding) bound to `touch` of a file: what the key "
        "costs before any program runs.",
        "",
        "| from the key to | median | min–max | against the baseline |",
        "|---|---|---|---|",
        Row("a file made by `touch` (baseline)", baseline, nullptr),
        Row("the PNG 7, through wlr-screencopy", direct, &baseline),
        Row("a file made by `touch` (baseline, portal run)", portalBaseline, nullptr),
        Row("the PNG 7, through the desktop portal", portal, &portalBaseline),
        "",
        "| press by press, the program's time less the baseline's | median | min–max |",
        "|---|---|---|",
        PairedRow("through wlr-screencopy", direct, baseline),
        PairedRow("through the desktop portal", portal, portalBaseline),
        "",
        Row("the screen copy alone, on an unchanged screen (wlr-screencopy, 1920x1080)", copy, nullptr),
        "",
        std::string("Goal: the PNG through the screen copy within 30 ms of the baseline, press by press: ") +
            (Paired(direct, baseline).At(0.5) <= 30 ? "holds" : "does not hold") + ".",
        "",
        "PNG files: " + std::to_string(direct.bytes / 1024) + " KB through the screen copy, " + std::to_string(portal.bytes / 1024) +
            " KB through the portal.",
    };
    std::ofstream out;
    if (!results.empty()) out.open(results);
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
        if (out) out << line << "\n";
    }
}
