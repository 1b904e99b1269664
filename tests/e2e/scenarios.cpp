// The desktop scenarios: one table, each row a path through the panel and
// what the files or the windows must then show, run by one runner against
// every desktop back end. Steps are separated by ';'; the verbs are the
// runner's, listed in Runner::Step.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

#include "panel/layout.h"
#include "platform/null/null_platform.h"
#include "tests/e2e/x11_desktop.h"

using namespace dudo;
using namespace dudo::e2e;
namespace fs = std::filesystem;

namespace {

struct Scenario {
    const char* name;
    DesktopOptions options;
    const char* steps;
};

const DesktopOptions kNoDesktop{0, 0, true, ""};

const Scenario kScenarios[] = {
    // Start-up and how the panel shows.
    {"StartsShorterWithOneTrayIconAsDesigned", {},
     "panel-size 2895 4320; icons 1; files 0; icon-shows-picture; pointer 900 700;"
     "placed Combo1 Combo2 Combo3 Combo5 Combo4 Combo6 Command2 Command4; placed-right Command1;"
     "empty Text1(0) Text1(3) Text5 Command3 Picture1 PicIcon;"
     "inked Label1(0) Label1(1) Label1(2) Label1(6) Label1(8) Label1(9) Label1(10)"},
    // What a press captures.
    {"PrintScreenWritesTheScreen", {},
     "pattern 300 100 400 300; focus-pattern; pointer 1200 700; print; file .png 1280 800; shows 300 100 400 300 300 100"},
    {"PrintScreenWithoutSharedMemory", {1024, 768, false, ""},
     "pattern 300 100 400 300; pointer 1000 700; print; file .png 1024 768; shows 300 100 400 300 300 100"},
    {"ForegroundWindow", {},
     "pattern 400 200 320 240; focus-pattern; click Combo1; keys Down Return; focus-pattern; pointer 1200 700; print;"
     "file .png 320 240; shows 0 0 320 240 400 200"},
    // Command3 pressed for a moment as a hand does, so that a tick sees the
    // press before the button's click arms the picking; the second click in
    // the same column is rejected.
    {"RangePickedWithTwoClicks", {},
     "pattern 250 40 500 400; click Combo1; keys Down Down Return; click Command3 slow; pointer 300 100; click;"
     "pointer 300 300; click; pointer 500 300; click; pointer 1200 700; print; file .png 200 200; shows 0 0 200 200 300 100"},
    // The focus selects each field's "0", so the typed digits replace it.
    {"RangeTypedDigitByDigit", {},
     "click Combo1; keys Down Down Return; click Text1(0); type 100; click Text1(1); type 50; click Text1(2); type 300;"
     "click Text1(3); type 250; pattern 100 50 200 200; pointer 1200 700; print; file .png 200 200; shows 0 0 200 200 100 50"},
    {"PointerDrawnWhereItStands", {}, "pointer 640 400; print; pointer-drawn 640 400"},
    {"HoldingPrintScreenCapturesOnEveryTick", {}, "hold-print 3"},
    {"TypedScaleReachesThePicture", {}, "click Combo4; keys ctrl+a; type 0.5; pointer 1200 700; print; file .png 640 400"},
    // Combo3, then Command1 and Command2; the hidden fields are skipped: Text6,
    // whose focus selects "100".
    {"KeyboardReachesTheQualityField", {},
     "pattern 300 100 600 400; click Combo3; keys Down Down Return; pointer 60 200; print; file .jpg;"
     "keys Tab Tab Tab; type 10; print; file .jpg; smaller-than-previous 3"},
    {"HidingWhileCapturingShowsWhatLiesUnder", {},
     "pattern 0 0 400 400; raise-panel; click Check1; pointer 1200 700; covered 100 100; print;"
     "shows 0 0 400 400 0 0; panel shown"},
    {"AboutMessageWhileCapturesGoOn", {}, "click Command4; window about; print; close-about; running"},
    // The tray and the ways out.
    {"HidesToTheTrayAndComesBack", {}, "click Command2; panel hidden; window balloon; icons 1; tray 1; panel shown"},
    {"TrayMenuEnds", {}, "tray 3; keys Down Down Return; exits 0; icons 0"},  // "顯示" greyed: the second is "結束"
    {"ExitButtonEnds", {}, "click Command1; exits 0; icons 0"},
    {"SigtermTakesTheShutdownPath", {}, "signal TERM; exits 0; icons 0"},
    {"SecondInstanceLeavesNothing", {}, "second-instance"},
    {"LockDoesNotOutliveAKill", {}, "kill; start; panel shown; print"},
    // Faults a capture tool must survive without losing a picture.
    {"FullDiskKeepsEarlierPictures", {1280, 800, true, "256k"},
     "print; click Combo3; keys Down Return; pointer 1200 700; print-fails No space left on device;"
     "click Combo3; keys Up Return; pointer 1200 700; print"},
    {"ReadOnlyFolder", {1280, 800, true, "8m"},
     "print; remount ro; print-fails Read-only file system; remount rw; print; files 2"},
    {"DeletedFolder", {}, "print; remove-folder; print-fails No such file or directory; no-folder"},
    {"KillDuringALargeSave", {3840, 2160, true, ""},
     "pattern 0 0 3840 2160; pointer 3800 2100; print; kill-during-save; start; print"},
    {"PlantedLinkIsNeitherFollowedNorReplaced", {},
     "click Combo2; keys Down Down Down Return; plant-link 0000.png; pointer 1200 700; print; named 0000 (2).png;"
     "file .png 1280 800; link-kept 0000.png"},
    {"DisplayGoingAwayEndsWithAClearMessage", {}, "print; stop-server; dies X11; files 1"},
    {"LongRunOneFileEachAndFlatMemory", {640, 480, true, ""}, "pattern 0 0 640 480; pointer 600 400; long-run 200"},
    // Without a usable display: a clear message, status 2, nothing written.
    {"NoDisplay", kNoDesktop, "alone -u DISPLAY; status 2; says DISPLAY"},
    {"WaylandWithoutX", kNoDesktop, "alone -u DISPLAY WAYLAND_DISPLAY=wayland-0; status 2; says Wayland"},
    {"UnreachableDisplay", kNoDesktop, "alone DISPLAY=:987; status 2; says :987"},
};

struct Backend {
    const char* name;
    std::function<std::unique_ptr<Desktop>(const DesktopOptions&)> make;
};

const Backend kBackends[] = {
    {"X11", [](const DesktopOptions& o) { return std::make_unique<X11Desktop>(o); }},
};

std::pair<std::string, int> ControlRef(const std::string& text) {
    const auto open = text.find('(');
    if (open == std::string::npos) return {text, -1};
    return {text.substr(0, open), std::stoi(text.substr(open + 1))};
}

const ControlDesign& Design(const std::string& ref) {
    const auto [name, index] = ControlRef(ref);
    for (const ControlDesign& d : DesignedLayout())
        if (d.name == name && d.index == index) return d;
    throw std::runtime_error("no control " + ref);
}

class Runner {
public:
    explicit Runner(const DesktopOptions& options) : options_(options) {}
    // The desktop of the back end with the program started, unless the
    // scenario runs without one.
    void Start(const Backend& backend) {
        if (options_.width == 0) return;
        try {
            desktop_ = backend.make(options_);
        } catch (const Missing& e) {
            GTEST_SKIP() << e.what();
        }
        Step("start");
    }

    // One step: its verb and its arguments.
    void Step(const std::string& step) {
        std::istringstream in(step);
        std::string verb, rest;
        in >> verb;
        std::getline(in >> std::ws, rest);
        std::istringstream args(rest);
        auto ints = [&] {
            std::vector<int> v;
            for (int n; args >> n;) v.push_back(n);
            return v;
        };
        std::vector<std::string> words;
        for (std::string w; args >> w;) words.push_back(w);
        args.clear();
        args.seekg(0);
        if (verb == "alone" || verb == "status" || verb == "says") return Alone(verb, rest);
        Desktop& d = *desktop_;
        if (verb == "start") {
            d.StartProgram();
            ASSERT_TRUE(d.ProgramRunning()) << d.ProgramLog();
        } else if (verb == "pattern") {
            const auto v = ints();
            d.ShowPattern(v[0], v[1], v[2], v[3]);
        } else if (verb == "focus-pattern") d.FocusPattern();
        else if (verb == "pointer") {
            const auto v = ints();
            d.MovePointer(v[0], v[1]);
        } else if (verb == "click") Click(words);
        else if (verb == "keys") d.Keys(rest);
        else if (verb == "type") d.Type(rest);
        else if (verb == "print") Print();
        else if (verb == "hold-print") HoldPrint(std::stoi(rest));
        else if (verb == "file") File(words);
        else if (verb == "named") EXPECT_EQ(file_, rest);
        else if (verb == "shows") {
            const auto v = ints();
            Shows(v[0], v[1], v[2], v[3], v[4], v[5]);
        } else if (verb == "covered") {
            const auto v = ints();
            ASSERT_NE(d.Grab(v[0], v[1], 1, 1).at(0, 0) & 0xFFFFFF, PatternPixel(v[0], v[1]) & 0xFFFFFF) << "not covered";
        } else if (verb == "pointer-drawn") {
            const auto v = ints();
            PointerDrawn(v[0], v[1]);
        } else if (verb == "smaller-than-previous") {
            ASSERT_GE(printed_.size(), 2u);
            const auto last = fs::file_size(d.folder() / printed_.back());
            const auto before = fs::file_size(d.folder() / printed_[printed_.size() - 2]);
            EXPECT_LT(last * std::stoi(rest), before) << before << " " << last;
        } else if (verb == "panel") {
            EXPECT_TRUE(d.WaitFor([&] { return PanelShown() == (rest == "shown"); })) << "panel not " << rest;
        } else if (verb == "window") {
            EXPECT_TRUE(d.WaitFor([&] { return d.Window(WindowNamed(rest)).has_value(); })) << "no " << rest;
        } else if (verb == "close-about") CloseAbout();
        else if (verb == "icons") {
            EXPECT_TRUE(d.WaitFor([&] { return d.CountWindows(Shown::TrayIcon) == std::stoi(rest); }))
                << d.CountWindows(Shown::TrayIcon) << " icons";
        } else if (verb == "tray") {
            const auto icon = d.Window(Shown::TrayIcon);
            ASSERT_TRUE(icon);
            d.MovePointer(icon->x + icon->width / 2, icon->y + icon->height / 2);
            d.Click(std::stoi(rest));
        } else if (verb == "exits") {
            const auto status = d.WaitForExit(3000);
            ASSERT_TRUE(status) << "still running";
            EXPECT_EQ(*status, std::stoi(rest)) << d.ProgramLog();
        } else if (verb == "dies") {
            const auto status = d.WaitForExit(5000);
            ASSERT_TRUE(status) << "still running";
            EXPECT_NE(*status, 0);
            EXPECT_NE(d.ProgramLog().find(rest), std::string::npos) << d.ProgramLog();
        } else if (verb == "signal") kill(d.programPid(), SIGTERM);
        else if (verb == "kill") d.KillProgram();
        else if (verb == "running") EXPECT_TRUE(d.ProgramRunning()) << d.ProgramLog();
        else if (verb == "second-instance") SecondInstance();
        else if (verb == "raise-panel") d.RaisePanel();
        else if (verb == "files") EXPECT_EQ(Pictures().size(), static_cast<std::size_t>(std::stoi(rest)));
        else if (verb == "print-fails") PrintFails(rest);
        else if (verb == "remount") Shell("mount -o remount," + rest + " '" + d.folder().string() + "'");
        else if (verb == "remove-folder") fs::remove_all(d.folder());
        else if (verb == "no-folder") EXPECT_FALSE(fs::exists(d.folder())) << "made up again";
        else if (verb == "plant-link") PlantLink(rest);
        else if (verb == "link-kept") {
            EXPECT_EQ(test::FileContents(elsewhere_.path() / "victim"), "keep me");
            EXPECT_TRUE(fs::is_symlink(d.folder() / rest));
        } else if (verb == "kill-during-save") KillDuringSave();
        else if (verb == "stop-server") d.StopServer();
        else if (verb == "panel-size") PanelSize(ints());
        else if (verb == "icon-shows-picture") IconShowsPicture();
        else if (verb == "placed" || verb == "placed-right") Placed(words, verb == "placed-right");
        else if (verb == "empty") Empty(words);
        else if (verb == "inked") Inked(words);
        else if (verb == "long-run") LongRun(std::stoi(rest));
        else FAIL() << "unknown step " << verb;
    }

private:
    static Shown WindowNamed(const std::string& name) { return name == "about" ? Shown::About : Shown::Balloon; }
    bool PanelShown() {
        const auto w = desktop_->Window(Shown::Panel);
        return w && w->viewable;
    }
    void Click(const std::vector<std::string>& words) {
        if (words.empty() || std::isdigit(static_cast<unsigned char>(words[0][0])))
            return desktop_->Click(words.empty() ? 1 : std::stoi(words[0]));
        const auto [name, index] = ControlRef(words[0]);
        desktop_->ClickControl(name, index, words.size() > 1 && words[1] == "slow" ? 0 : 1);
    }
    // The real-named pictures and their bytes.
    std::map<std::string, std::string> Pictures() {
        std::map<std::string, std::string> pictures;
        if (!fs::exists(desktop_->folder())) return pictures;
        for (const std::string& name : desktop_->Files())
            if (name[0] != '.') pictures[name] = test::FileContents(desktop_->folder() / name);
        return pictures;
    }
    void Print() {
        const auto before = desktop_->Files();
        desktop_->PrintScreen();
        const auto name = desktop_->WaitForNewFile(before);
        ASSERT_TRUE(name) << "no picture\n" << desktop_->ProgramLog();
        file_ = *name;
        printed_.push_back(file_);
    }
    void HoldPrint(int count) {
        desktop_->KeyDown("Print");
        const bool several = desktop_->WaitFor([&] { return Pictures().size() >= static_cast<std::size_t>(count); }, 8000);
        desktop_->KeyUp("Print");
        EXPECT_TRUE(several) << Pictures().size();
    }
    Picture Decoded() { return test::DecodePng(desktop_->folder() / file_).picture; }
    void File(const std::vector<std::string>& words) {
        ASSERT_TRUE(file_.ends_with(words[0])) << file_;
        if (words.size() < 3) return;
        const Picture p = Decoded();
        EXPECT_EQ(p.width, std::stoi(words[1]));
        EXPECT_EQ(p.height, std::stoi(words[2]));
    }
    // The file's w x h area at (fx, fy) shows the pattern's screen area at (sx, sy).
    void Shows(int fx, int fy, int w, int h, int sx, int sy) {
        const Picture p = Decoded();
        ASSERT_GE(p.width, fx + w);
        ASSERT_GE(p.height, fy + h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(p.at(fx + x, fy + y) & 0xFFFFFF, PatternPixel(sx + x, sy + y) & 0xFFFFFF) << x << "," << y;
    }
    // On the bare black root, right of the panel and below the tray, the
    // pointer's image changes pixels beside its hotspot only.
    void PointerDrawn(int px, int py) {
        const Picture p = Decoded();
        int near = 0, far = 0;
        for (int y = 31; y < p.height; ++y)
            for (int x = 300; x < p.width; ++x)
                if ((p.at(x, y) & 0xFFFFFF) != 0) ++(std::abs(x - px) < 32 && std::abs(y - py) < 32 ? near : far);
        EXPECT_GT(near, 10) << "far " << far;
        EXPECT_EQ(far, 0) << "near " << near;
    }
    void CloseAbout() {
        Desktop& d = *desktop_;
        const auto box = d.Window(Shown::About);
        ASSERT_TRUE(box);
        d.MovePointer(box->x + box->width / 2, box->y + 10);
        d.Keys("Return");
        EXPECT_TRUE(d.WaitFor([&] { return !d.Window(Shown::About); }));
    }
    void SecondInstance() {
        Desktop& d = *desktop_;
        const pid_t first = d.programPid();
        const std::string out = d.RunAgain();
        EXPECT_NE(out.find("status=0"), std::string::npos) << out;
        EXPECT_EQ(d.CountWindows(Shown::Panel), 1);
        EXPECT_EQ(d.CountWindows(Shown::TrayIcon), 1);
        EXPECT_EQ(d.programPid(), first);
        EXPECT_TRUE(d.ProgramRunning());
    }
    // A failure is shown in a message box and logged; the program goes on,
    // the earlier pictures are as they were and no temporary file is left.
    void PrintFails(const std::string& logged) {
        Desktop& d = *desktop_;
        const auto before = Pictures();
        d.PrintScreen();
        EXPECT_TRUE(d.WaitFor([&] { return d.CountWindows(Shown::MessageBox) >= 1; })) << "no message box";
        EXPECT_TRUE(d.WaitFor([&] { return d.ProgramLog().find(logged) != std::string::npos; })) << d.ProgramLog();
        EXPECT_TRUE(d.ProgramRunning());
        EXPECT_EQ(Pictures(), before);
        for (const std::string& name : fs::exists(d.folder()) ? d.Files() : std::set<std::string>{}) {
            EXPECT_NE(name[0], '.') << "temporary file left: " << name;
        }
        d.CloseMessageBox();
    }
    void PlantLink(const std::string& name) {
        std::ofstream(elsewhere_.path() / "victim") << "keep me";
        fs::create_symlink(elsewhere_.path() / "victim", desktop_->folder() / name);
    }
    // Killed the moment its temporary file appears: every picture under a
    // real name is whole and the earlier one untouched.
    void KillDuringSave() {
        Desktop& d = *desktop_;
        const auto before = Pictures();
        FolderWatch watch(d.folder());
        d.PrintScreen();
        ASSERT_TRUE(watch.Next([](const std::string& name) { return name[0] == '.'; }, 5000)) << "no save started";
        d.KillProgram();
        const auto after = Pictures();
        for (const auto& [name, bytes] : before) EXPECT_EQ(after.at(name), bytes) << name;
        for (const auto& [name, bytes] : after)
            EXPECT_EQ(test::DecodePng(d.folder() / name).picture.width, options_.width) << name;
    }
    void PanelSize(const std::vector<int>& twips) {
        const auto w = desktop_->Window(Shown::Panel);
        ASSERT_TRUE(w);
        const double perPixel = 1440.0 / desktop_->PixelsPerInch();
        EXPECT_EQ(w->width, static_cast<int>(twips[0] / perPixel));
        EXPECT_EQ(w->height, static_cast<int>(twips[1] / perPixel));  // designed height plus menu bar, less 300
    }
    // The tray shows the program's picture: a window with a cyan title bar.
    void IconShowsPicture() {
        const auto icon = desktop_->Window(Shown::TrayIcon);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->width, 22);
        int cyan = 0;
        for (std::uint32_t p : desktop_->Grab(icon->x, icon->y, icon->width, icon->height).pixels)
            cyan += (p & 0xFFFFFF) == 0x00FFFF;
        EXPECT_GT(cyan, 20);
    }
    // The panel as the screen shows it, and where a control's drawing starts.
    struct Panel {
        Picture shown;
        std::uint32_t background;
        double twips;
        int Px(int t) const { return static_cast<int>(t / twips); }
        bool Drawn(int x, int y) const { return (shown.at(x, y) & 0xFFFFFF) != (background & 0xFFFFFF); }
        int FirstDrawn(int x, int y, int dx, int dy) const {
            for (; x >= 0 && y >= 0 && x < shown.width && y < shown.height; x += dx, y += dy)
                if (Drawn(x, y)) return dx ? x : y;
            return -1;
        }
    };
    Panel ShownPanel() {
        const auto w = desktop_->Window(Shown::Panel);
        if (!w) throw std::runtime_error("no panel");
        Picture shown = desktop_->Grab(w->x, w->y, w->width, w->height);
        const std::uint32_t background = shown.at(shown.width - 2, 150);  // right margin, beside no control
        return {std::move(shown), background, 1440.0 / desktop_->PixelsPerInch()};
    }
    void Placed(const std::vector<std::string>& names, bool rightEdge) {
        const Panel p = ShownPanel();
        for (const std::string& name : names) {
            const Geometry g = Design(name).geometry;
            const int midX = p.Px(g.left + g.width / 2), midY = p.Px(g.top + g.height / 2);
            EXPECT_NEAR(p.FirstDrawn(midX, p.Px(g.top) - 4, 0, 1), p.Px(g.top), 1) << name;
            // The two bottom buttons overlap by a pixel: Command1 is measured from the right.
            const int edge = rightEdge ? p.FirstDrawn(p.Px(g.left + g.width) + 4, midY, -1, 0) + 1
                                       : p.FirstDrawn(p.Px(g.left) - 4, midY, 1, 0);
            EXPECT_NEAR(edge, p.Px(rightEdge ? g.left + g.width : g.left), 1) << name;
        }
    }
    void Empty(const std::vector<std::string>& names) {
        const Panel p = ShownPanel();
        for (const std::string& name : names) {
            const Geometry g = Design(name).geometry;
            for (int y = p.Px(g.top) + 2; y < p.Px(g.top + g.height) - 2; ++y)
                for (int x = p.Px(g.left) + 2; x < p.Px(g.left + g.width) - 2; ++x)
                    ASSERT_FALSE(p.Drawn(x, y)) << name << " drawn at " << x << "," << y;
        }
    }
    // Each label's row holds ink where its caption starts.
    void Inked(const std::vector<std::string>& names) {
        const Panel p = ShownPanel();
        for (const std::string& name : names) {
            const Geometry g = Design(name).geometry;
            bool ink = false;
            for (int y = p.Px(g.top); y < p.Px(g.top + g.height) && !ink; ++y) {
                const int x = p.FirstDrawn(p.Px(g.left), y, 1, 0);
                ink = x >= 0 && x < p.Px(g.left) + 20;
            }
            EXPECT_TRUE(ink) << name;
        }
    }
    // Presses at a steady rate: one new file each, none replaced, memory flat.
    // DUDO_LONG_RUN_PRESSES sets the count (bench/long_run.sh runs 2,000).
    void LongRun(int presses) {
        Desktop& d = *desktop_;
        if (const char* setting = std::getenv("DUDO_LONG_RUN_PRESSES")) presses = std::max(60, std::atoi(setting));
        long warmKb = 0;
        for (int i = 1; i <= presses; ++i) {
            d.PrintScreen();
            ASSERT_TRUE(d.WaitFor([&] { return d.Files().size() >= static_cast<std::size_t>(i); }))
                << "press " << i << " gave no file\n" << d.ProgramLog();
            if (i == 50) warmKb = ProcessMemoryKb(d.programPid(), "VmRSS:");
            if (i % (presses / 4) == 0) std::printf("resident after %d presses: %ld kB\n", i, ProcessMemoryKb(d.programPid(), "VmRSS:"));
        }
        SleepMs(500);
        EXPECT_EQ(Pictures().size(), static_cast<std::size_t>(presses));
        EXPECT_EQ(d.Files().size(), static_cast<std::size_t>(presses)) << "temporary files left";
#ifndef DUDO_SANITIZED  // AddressSanitizer holds freed memory back on purpose
        EXPECT_LT(ProcessMemoryKb(d.programPid(), "VmRSS:") - warmKb, 4096) << "memory grows with captures";
#endif
        EXPECT_TRUE(d.ProgramRunning());
    }
    // The program run with no desktop of ours, in an empty folder of its own.
    void Alone(const std::string& verb, const std::string& rest) {
        const std::string wanted = verb == "status" ? "status=" + rest + "\n" : rest;
        if (verb != "alone") {
            EXPECT_NE(aloneOutput_.find(wanted), std::string::npos) << aloneOutput_;
            return;
        }
        test::TempFolder folder;
        aloneOutput_ = Shell("cd '" + folder.path().string() + "' && env " + rest + " " DUDO_BINARY " 2>&1; echo status=$?");
        EXPECT_TRUE(folder.files().empty());
    }

    DesktopOptions options_;
    std::unique_ptr<Desktop> desktop_;
    std::string file_, aloneOutput_;
    std::vector<std::string> printed_;
    test::TempFolder elsewhere_;
};

struct Scenarios : ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(Scenarios, Run) {
    const Backend& backend = kBackends[GetParam().first];
    const Scenario& scenario = kScenarios[GetParam().second];
    Runner runner(scenario.options);
    runner.Start(backend);
    if (IsSkipped() || HasFatalFailure()) return;
    std::istringstream steps(scenario.steps);
    for (std::string step; std::getline(steps, step, ';');) {
        if (step.find_first_not_of(' ') == std::string::npos) continue;
        SCOPED_TRACE(step);
        runner.Step(step.substr(step.find_first_not_of(' ')));
        if (HasFatalFailure()) return;
    }
}

std::vector<std::pair<int, int>> AllRuns() {
    std::vector<std::pair<int, int>> runs;
    for (int b = 0; b < static_cast<int>(std::size(kBackends)); ++b)
        for (int s = 0; s < static_cast<int>(std::size(kScenarios)); ++s) runs.push_back({b, s});
    return runs;
}

INSTANTIATE_TEST_SUITE_P(Desktop, Scenarios, ::testing::ValuesIn(AllRuns()), [](const auto& info) {
    return std::string(kBackends[info.param.first].name) + "_" + kScenarios[info.param.second].name;
});

}  // namespace
