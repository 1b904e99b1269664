// The runner of the desktop scenarios: its verbs, each a step a row may
// take, against the desktop of one back end.
#include "tests/e2e/scenario_runner.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <utility>

#include "platform/null/null_platform.h"
#include "tests/e2e/desktop.h"

namespace dudo::e2e {

namespace fs = std::filesystem;

namespace {

// A step's arguments: as numbers, as words, or the whole rest of the line.
struct Args {
    std::string rest;
    std::vector<std::string> words;
    int operator[](std::size_t i) const { return std::stoi(words.at(i)); }
};

class Runner {
public:
    explicit Runner(const DesktopOptions& options) : options_(options) {}

    void Start(std::unique_ptr<Desktop> (*make)(const DesktopOptions&)) {
        if (options_.width == 0) return;
        try {
            desktop_ = make(options_);
        } catch (const Missing& e) {
            GTEST_SKIP() << e.what();
        }
        Step("start");
    }

    void Step(const std::string& step) {
        std::istringstream in(step);
        std::string verb;
        Args a;
        in >> verb;
        std::getline(in >> std::ws, a.rest);
        std::istringstream words(a.rest);
        for (std::string w; words >> w;) a.words.push_back(w);
        const auto found = verbs_.find(verb);
        ASSERT_NE(found, verbs_.end()) << "unknown step " << verb;
        found->second(a);
    }

private:
    Desktop& d() { return *desktop_; }
    using Verb = std::function<void(const Args&)>;
    const std::map<std::string, Verb> verbs_ = {
        {"start", [this](const Args&) {
             d().StartProgram();
             ASSERT_TRUE(d().ProgramRunning()) << d().ProgramLog();
         }},
        {"kill", [this](const Args&) { d().KillProgram(); }},
        {"signal", [this](const Args&) { kill(d().programPid(), SIGTERM); }},
        {"stop-server", [this](const Args&) { d().StopServer(); }},
        {"running", [this](const Args&) { EXPECT_TRUE(d().ProgramRunning()) << d().ProgramLog(); }},
        {"exits", [this](const Args& a) { ExpectExit(a.rest, true); }},
        {"dies", [this](const Args& a) { ExpectExit(a.rest, false); }},
        // The program once more beside the running one; "says" reads what it said.
        {"again", [this](const Args& a) { alone_ = d().RunAgain(a.rest); }},
        {"again-as-other", [this](const Args& a) { alone_ = d().RunAgain(a.rest, true); }},
        // Input.
        {"pattern", [this](const Args& a) { d().ShowPattern(a[0], a[1], a[2], a[3]); }},
        {"focus-pattern", [this](const Args&) { d().FocusPattern(); }},
        {"raise-panel", [this](const Args&) { d().RaisePanel(); }},
        {"close-panel", [this](const Args&) { d().ClosePanel(); }},
        {"desktop", [this](const Args& a) { d().Command(a.rest); }},
        {"move-panel", [this](const Args& a) { d().MovePanel(a[0], a[1]); }},
        // So many outputs made and taken away again, as monitors that sleep come and go.
        {"outputs-come-and-go", [this](const Args& a) {
             for (int n = 2; n < 2 + a[0]; ++n) {
                 d().Command("create_output");
                 d().Command("output HEADLESS-" + std::to_string(n) + " unplug");
             }
         }},
        {"pointer", [this](const Args& a) { d().MovePointer(a[0], a[1]); }},
        {"click", [this](const Args& a) {  // "slow": pressed for a moment
             a.words.empty() ? d().Click(1) : d().ClickControl(a.words[0], a.words.size() > 1 ? 0 : 1);
         }},
        {"keys", [this](const Args& a) { d().Keys(a.rest); }},
        {"type", [this](const Args& a) { d().Type(a.rest); }},
        {"tray", [this](const Args& a) { d().ClickTrayIcon(a[0]); }},
        {"close-about", [this](const Args&) { CloseAbout(); }},
        {"hover", [this](const Args& a) { Hover(a[0]); }},
        // Captures and the files they write.
        {"print", [this](const Args& a) { Print(false, a.words.empty() ? 100 : a[0]); }},  // held 100 ms, or as long as given
        {"capture-command", [this](const Args&) { Print(true); }},
        // A press whose picture must come within that many milliseconds.
        {"print-within", [this](const Args& a) {
             const auto start = std::chrono::steady_clock::now();
             Print();
             EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(a[0]));
         }},
        // A client of the capture channel that sends a second start's request,
        // then its token a byte every 450 ms, as a hostile or stuck one could.
        {"trickle", [this](const Args&) {
             d().RunBeside("python3 -c 'import os, socket, time\n"
                           "d = (os.environ.get(\"WAYLAND_DISPLAY\") or os.environ[\"DISPLAY\"]).replace(\":\", \"_\").replace(\"/\", \"_\")\n"
                           "s = socket.socket(socket.AF_UNIX)\n"
                           "s.connect(os.environ[\"XDG_RUNTIME_DIR\"] + \"/dudo-%d-display%s.sock\" % (os.getuid(), d))\n"
                           "s.send(b\"present\\n\")\n"
                           "for c in \"abcdefghijklmnopqrst\\n\": s.send(c.encode()); time.sleep(0.45)'");
             SleepMs(1500);  // well into its request
         }},
        {"press-during-capture", [this](const Args&) { PressDuringCapture(); }},
        {"print-fails", [this](const Args& a) { PrintFails(a.rest); }},
        {"kill-during-save", [this](const Args&) { KillDuringSave(); }},
        {"long-run", [this](const Args& a) { LongRun(a[0]); }},
        {"file", [this](const Args& a) { File(a.words); }},
        {"named", [this](const Args& a) { EXPECT_EQ(file_, a.rest); }},
        {"files", [this](const Args& a) {  // once the presses have had time to give more than they should
             d().WaitFor([&] { return Pictures().size() >= static_cast<std::size_t>(a[0]); }, 30000);
             SleepMs(500);
             EXPECT_EQ(Pictures().size(), static_cast<std::size_t>(a[0]));
         }},
        {"shows", [this](const Args& a) { Shows(a); }},
        {"pointer-drawn", [this](const Args& a) { PointerDrawn(a[0], a[1]); }},
        // The file against the desktop's own picture: of the panel, of the
        // screen from its corner ("screen") or from a place ("at x y"); a
        // last number is how many pixels in a thousand may differ (20 unless given).
        {"as-shown", [this](const Args& a) { AsShown(a.words); }},
        {"pixel", [this](const Args& a) {
             EXPECT_EQ(Decoded().at(a[0], a[1]) & 0xFFFFFF, std::stoul(a.words.at(2), nullptr, 16)) << std::hex << Decoded().at(a[0], a[1]);
         }},
        {"smaller-than-previous", [this](const Args& a) {  // the last file, so many times over, than the one before
             ASSERT_GE(printed_.size(), 2u);
             EXPECT_LT(fs::file_size(d().folder() / printed_.back()) * a[0], fs::file_size(d().folder() / printed_[printed_.size() - 2]));
         }},
        // A shell command that must succeed, with $F the working folder and $E a folder elsewhere.
        {"sh", [this](const Args& a) {
             EXPECT_EQ(Shell("F='" + d().folder().string() + "' E='" + elsewhere_.path().string() + "' D='" + d().DisplayName() + "'; " + a.rest +
                             " 2>&1 && echo ok"), "ok\n") << a.rest;
         }},
        // What the screen shows.
        {"panel", [this](const Args& a) {
             const auto shown = [&] { return d().Window(Shown::Panel).value_or(WindowPlace{}).viewable; };
             EXPECT_TRUE(d().WaitFor([&] { return shown() == (a.rest == "shown"); })) << "panel not " << a.rest;
         }},
        {"window", [this](const Args& a) { EXPECT_TRUE(d().WaitFor([&] { return d().CountWindows(Named(a.rest)) > 0; }, 6000)) << "no " << a.rest; }},
        {"no-window", [this](const Args& a) {
             SleepMs(500);
             EXPECT_FALSE(d().Window(Named(a.rest))) << a.rest << " shown";
         }},
        {"notified", [this](const Args& a) { Notified(a[0], a.rest.substr(a.rest.find(' ') + 1)); }},
        // A balloon's text: notified where the desktop has a notification service, else logged.
        {"told", [this](const Args& a) { Step((d().Notifies() ? "notified " : "logged ") + a.rest); }},
        {"logged", [this](const Args& a) {  // within a few seconds
             const std::string text = a.rest.substr(a.rest.find(' ') + 1);
             const auto count = [&] {
                 const std::string log = d().ProgramLog();
                 int n = 0;
                 for (std::size_t at = 0; (at = log.find(text, at)) != std::string::npos; ++at) ++n;
                 return n;
             };
             d().WaitFor([&] { return count() >= a[0]; }, 5000);
             EXPECT_EQ(count(), a[0]) << d().ProgramLog();
         }},
        {"icons", [this](const Args& a) {
             EXPECT_TRUE(d().WaitFor([&] { return d().CountWindows(Shown::TrayIcon) == a[0]; }))
                 << d().CountWindows(Shown::TrayIcon) << " icons";
         }},
        {"covered", [this](const Args& a) {
             ASSERT_NE(d().Grab(a[0], a[1], 1, 1).at(0, 0) & 0xFFFFFF, PatternPixel(a[0], a[1]) & 0xFFFFFF) << "not covered";
         }},
        // "2895+": at least that wide, where the desktop's title bar wants room for the caption.
        {"panel-size", [this](const Args& a) {
             const auto w = d().Window(Shown::Panel).value_or(WindowPlace{});
             EXPECT_EQ(w.height, d().Px(a[1]));
             if (a.words[0].ends_with('+')) EXPECT_GE(w.width, d().Px(a[0]));
             else EXPECT_EQ(w.width, d().Px(a[0]));
         }},
        // The caption reads whole in the desktop's title bar: what the title
        // bar shows of it is what it shows for a window with room to spare,
        // once the program has gone (a desktop may mark a second window of
        // the same title).
        {"caption-whole", [this](const Args&) {
             const auto panel = d().Window(Shown::Panel);
             ASSERT_TRUE(panel);
             const auto [width, ink] = SettledCaptionInk(*panel);
             d().ClosePanel();
             ASSERT_TRUE(d().WaitForExit(5000));
             d().Notifications();  // closes what would cover a title bar
             const auto [roomyWidth, roomyInk] = SettledCaptionInk(d().ShowTitledWindow("dudo進階版", 900, panel->x, panel->y));
             EXPECT_NEAR(width, roomyWidth, 1) << "the caption's letters are " << width << " px wide, not " << roomyWidth;
             EXPECT_NEAR(ink, roomyInk, roomyInk / 4);  // an unfocused bar draws its caption paler
         }},
        {"item-tip", [this](const Args& a) { EXPECT_NE(d().TrayItemTip().find(a.rest), std::string::npos) << d().TrayItemTip(); }},
        {"icon-shows-picture", [this](const Args& a) { IconShowsPicture(a.rest == "over-dark"); }},
        // The program run with no desktop of ours, in an empty folder of its own.
        {"alone", [this](const Args& a) {
             test::TempFolder folder;
             alone_ = Shell("cd '" + folder.path().string() + "' && env " + a.rest + " " DUDO_BINARY " 2>&1; echo status=$?");
             EXPECT_TRUE(folder.files().empty());
         }},
        {"says", [this](const Args& a) { EXPECT_NE(alone_.find(a.rest), std::string::npos) << alone_; }},
    };

    void ExpectExit(const std::string& expected, bool withStatus) {
        const auto status = d().WaitForExit(5000);
        ASSERT_TRUE(status) << "still running";
        if (withStatus) EXPECT_EQ(*status, std::stoi(expected)) << d().ProgramLog();
        else EXPECT_TRUE(*status != 0 && d().ProgramLog().find(expected) != std::string::npos) << d().ProgramLog();
    }
    // Pointer movements over the tray icon; at most one notification shows meanwhile.
    void Hover(int moves) {
        const auto icon = d().Window(Shown::TrayIcon);
        ASSERT_TRUE(icon);
        for (int i = 0; i < moves; ++i) {
            d().MovePointer(icon->x + 4 + i % (icon->width - 8), icon->y + icon->height / 2);
            EXPECT_LE(d().NotificationsShowing(), 1) << "after " << i + 1 << " moves";
        }
    }
    // So many notifications with that text have been shown, all with our title.
    void Notified(int count, const std::string& text) {
        d().WaitFor([&] { return d().NotificationsShowing() > 0; }, 1500);
        const auto shown = d().Notifications();
        EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [&](const auto& n) { return n.first == "dudo進階版" && n.second.starts_with(text); }), count)
            << text << " among " << shown.size();
    }
    void CloseAbout() {
        const auto box = d().Window(Shown::About);
        ASSERT_TRUE(box);
        d().MovePointer(box->x + box->width / 2, box->y + 10);
        d().Keys("Return");
        EXPECT_TRUE(d().WaitFor([&] { return !d().Window(Shown::About); }));
    }
    // The real-named pictures and their bytes.
    std::map<std::string, std::string> Pictures() {
        std::map<std::string, std::string> pictures;
        for (const std::string& name : fs::exists(d().folder()) ? d().Files() : std::set<std::string>{})
            if (name[0] != '.') pictures[name] = test::FileContents(d().folder() / name);
        return pictures;
    }
    // A press of Print Screen, or the capture command: one new picture.
    void Print(bool command = false, int holdMs = 100) {
        const auto before = Pictures();
        if (!command) d().PrintScreen(holdMs);
        else if (const std::string out = d().RunAgain("--capture"); out.find("status=0") == std::string::npos)
            FAIL() << out;
        std::string name;
        ASSERT_TRUE(d().WaitFor([&] {
            for (const auto& [file, bytes] : Pictures()) name = before.count(file) ? name : file;
            return !name.empty();
        }, 30000)) << "no picture\n" << d().ProgramLog();  // a large picture in a sanitized build takes seconds
        printed_.push_back(file_ = name);
    }
    // A second press of a hand while the first one's picture is still being made.
    void PressDuringCapture() {
        const std::size_t before = Pictures().size();
        d().PrintScreen(40);
        SleepMs(10);
        ASSERT_EQ(Pictures().size(), before) << "the capture ended before the next press";
        d().PrintScreen();
    }
    // A failure is shown in a message box and logged; the program goes on,
    // the earlier pictures are as they were and no temporary file is left.
    static Shown Named(const std::string& window) {
        return window == "about" ? Shown::About : window == "overlay" ? Shown::RangeOverlay : window == "question" ? Shown::MessageBox : Shown::Balloon;
    }
    void PrintFails(const std::string& logged) {
        const auto before = Pictures();
        d().PrintScreen();
        EXPECT_TRUE(d().WaitFor([&] { return d().CountWindows(Shown::MessageBox) >= 1; })) << "no message box";
        EXPECT_TRUE(d().WaitFor([&] { return d().ProgramLog().find(logged) != std::string::npos; })) << d().ProgramLog();
        EXPECT_TRUE(d().ProgramRunning());
        EXPECT_EQ(Pictures(), before);
        for (const std::string& name : fs::exists(d().folder()) ? d().Files() : std::set<std::string>{})
            EXPECT_NE(name[0], '.') << "temporary file left: " << name;
        d().CloseMessageBox();
    }
    // Killed the moment its temporary file appears: every picture under a
    // real name is whole and the earlier ones untouched.
    void KillDuringSave() {
        const auto before = Pictures();
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(inotify_add_watch(watch, d().folder().c_str(), IN_CREATE), 0);
        d().PrintScreen();
        alignas(inotify_event) char buffer[4096];
        for (pollfd p{watch, POLLIN, 0}; ; ) {
            ASSERT_GT(poll(&p, 1, 5000), 0) << "no save started";
            const auto* e = reinterpret_cast<const inotify_event*>(buffer);
            if (read(watch, buffer, sizeof buffer) > 0 && e->len && e->name[0] == '.') break;
        }
        close(watch);
        d().KillProgram();
        const auto after = Pictures();
        for (const auto& [name, bytes] : before) EXPECT_EQ(after.at(name), bytes) << name;
        for (const auto& [name, bytes] : after) EXPECT_EQ(test::DecodePng(d().folder() / name).picture.width, options_.width) << name;
    }
    // Presses at a steady rate: one new file each, none replaced, memory flat.
    // DUDO_LONG_RUN_PRESSES sets the count (bench/long_run.sh runs 2,000).
    void LongRun(int presses) {
        if (const char* setting = std::getenv("DUDO_LONG_RUN_PRESSES")) presses = std::max(60, std::atoi(setting));
        [[maybe_unused]] long warmKb = 0;  // read only where the memory is measured
        for (int i = 1; i <= presses; ++i) {
            d().PrintScreen();
            ASSERT_TRUE(d().WaitFor([&] { return d().Files().size() >= static_cast<std::size_t>(i); }))
                << "press " << i << " gave no file\n" << d().ProgramLog();
            if (i == 50) warmKb = ProcessMemoryKb(d().programPid(), "VmRSS:");
            if (i % (presses / 4) == 0) std::printf("resident after %d presses: %ld kB\n", i, ProcessMemoryKb(d().programPid(), "VmRSS:"));
        }
        SleepMs(500);
        EXPECT_EQ(Pictures().size(), static_cast<std::size_t>(presses));
        EXPECT_EQ(d().Files().size(), static_cast<std::size_t>(presses)) << "temporary files left";
#ifndef DUDO_SANITIZED  // AddressSanitizer holds freed memory back on purpose
        EXPECT_LT(ProcessMemoryKb(d().programPid(), "VmRSS:") - warmKb, 4096) << "memory grows with captures";
#endif
    }
    Picture Decoded() { return test::DecodePng(d().folder() / file_).picture; }
    void File(const std::vector<std::string>& words) {
        ASSERT_TRUE(file_.ends_with(words.at(0))) << file_;
        if (words.size() < 2) return;
        const Picture p = Decoded();
        const auto panel = d().Window(Shown::Panel).value_or(WindowPlace{});  // "panel": the panel's size
        EXPECT_EQ(std::pair(p.width, p.height), words[1] == "panel" ? std::pair(panel.width, panel.height) : std::pair(std::stoi(words[1]), std::stoi(words[2])));
    }
    // shows fx fy w h sx sy: the file's w x h area at (fx, fy) is the pattern's screen area at (sx, sy).
    void Shows(const Args& a) { EXPECT_EQ(test::PatternMismatch(Decoded(), a[0], a[1], a[2], a[3], a[4], a[5], PatternPixel), ""); }
    // The file shows the panel (or the whole screen) as the display does,
    // but for the focus's marks; Windows counts a frame around the panel
    // that no window manager draws here, its caption at the top.
    void AsShown(const std::vector<std::string>& words) {
        const Picture file = Decoded();
        const bool at = !words.empty() && words[0] == "at", screen = !words.empty() && words[0] == "screen";
        const std::size_t limitAt = at ? 3 : screen ? 1 : 0;
        const int perThousand = words.size() > limitAt ? std::stoi(words[limitAt]) : 20;
        const auto panel = at       ? WindowPlace{std::stoi(words.at(1)), std::stoi(words.at(2)), file.width, file.height, true}
                           : screen ? WindowPlace{0, 0, file.width, file.height, true}
                                    : InPixels(d().Window(Shown::Panel));
        ASSERT_TRUE(panel);
        const Picture shown = d().Grab(panel->x, panel->y, panel->width, panel->height);
        const int border = (file.width - shown.width) / 2, top = file.height - shown.height - border;
        int differ = 0;
        for (int i = 0; i < shown.width * shown.height; ++i) differ += ((file.at(i % shown.width + border, i / shown.width + top) ^ shown.pixels[i]) & 0xFFFFFF) != 0;
        std::printf("differing pixels: %d of %d\n", differ, shown.width * shown.height);
        EXPECT_LE(differ * 1000LL, static_cast<long long>(shown.width) * shown.height * perThousand) << differ << " pixels differ";
    }
    // A place windows are told at, in the screen's pixels.
    std::optional<WindowPlace> InPixels(std::optional<WindowPlace> place) {
        const auto px = [s = d().Scale()](int at) { return static_cast<int>(std::lround(at * s)); };
        if (place) *place = WindowPlace{px(place->x), px(place->y), px(place->width), px(place->height), place->viewable};
        return place;
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
    // The width and the amount of the caption's letters in the title bar
    // above a window's content: the run of marked columns, gaps of a few
    // pixels bridged, that lies nearest the bar's middle.
    // The caption as the title bar shows it once drawn: two readings alike
    // and not empty, as a loaded desktop may draw the bar after the window
    // (5 s was not always enough for a sanitized build on a loaded machine).
    std::pair<int, int> SettledCaptionInk(const WindowPlace& window) {
        std::pair<int, int> last{-1, -1}, now{};
        d().WaitFor([&] { return std::exchange(last, now = CaptionInk(window)) == now && now.first > 0; }, 15000);
        return now;
    }
    std::pair<int, int> CaptionInk(const WindowPlace& window) {
        const WindowPlace place = *InPixels(WindowPlace{window.x, window.y - 26, window.width, 22, true});
        const Picture bar = d().Grab(place.x, place.y, place.width, place.height);
        std::map<std::uint32_t, int> colours;
        for (std::uint32_t c : bar.pixels) ++colours[c & 0xFFFFFF];
        const std::uint32_t ground = std::max_element(colours.begin(), colours.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
        const auto contrast = [&](std::uint32_t c) {
            return std::abs(Red(c) - Red(ground)) + std::abs(Green(c) - Green(ground)) + std::abs(Blue(c) - Blue(ground));
        };
        // Against the strongest contrast in the bar, as a title bar draws an
        // unfocused window's caption paler.
        int strongest = 0;
        for (std::uint32_t c : bar.pixels) strongest = std::max(strongest, contrast(c));
        const auto marked = [&](std::uint32_t c) { return contrast(c) > std::max(60, strongest * 2 / 5); };
        std::vector<int> inkOf(bar.width);
        for (int x = 0; x < bar.width; ++x)
            for (int y = 0; y < bar.height; ++y) inkOf[x] += marked(bar.at(x, y));
        std::vector<std::pair<int, int>> runs;  // first and last column
        for (int x = 0; x < bar.width; ++x)
            if (inkOf[x] && (runs.empty() || x - runs.back().second > 4)) runs.push_back({x, x});
            else if (inkOf[x]) runs.back().second = x;
        if (runs.empty()) return {0, 0};
        const int middle = bar.width / 2;
        const auto distance = [&](const std::pair<int, int>& r) { return middle < r.first ? r.first - middle : middle > r.second ? middle - r.second : 0; };
        const auto caption = *std::min_element(runs.begin(), runs.end(), [&](auto& a, auto& b) { return distance(a) < distance(b); });
        int ink = 0;
        for (int x = caption.first; x <= caption.second; ++x) ink += inkOf[x];
        return {caption.second - caption.first + 1, ink};
    }
    // The tray shows the program's picture, a window with a cyan title bar, at
    // the host's size (trayer's 24 px less its border, on every back end); over
    // a dark tray its clear margin shows the tray, not a grey of ours.
    void IconShowsPicture(bool overDark) {
        const auto icon = d().Window(Shown::TrayIcon);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->height, 22);
        const Picture p = d().Grab(icon->x, icon->y, icon->width, icon->height);
        EXPECT_GT(std::count_if(p.pixels.begin(), p.pixels.end(), [](std::uint32_t c) { return (c & 0xFFFFFF) == 0x00FFFF; }), 20);
        for (std::uint32_t corner : {p.at(0, 0), p.at(p.width - 1, 0), p.at(0, p.height - 1)})
            EXPECT_TRUE(!overDark || (Red(corner) < 0x60 && Green(corner) < 0x60 && Blue(corner) < 0x60)) << std::hex << corner;
    }
    DesktopOptions options_;
    std::unique_ptr<Desktop> desktop_;
    std::string file_, alone_;
    std::vector<std::string> printed_;
    test::TempFolder elsewhere_;
};

}  // namespace

void RunScenario(const DesktopOptions& options, std::unique_ptr<Desktop> (*make)(const DesktopOptions&), const std::string& steps) {
    Runner runner(options);
    runner.Start(make);
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) return;
    std::istringstream each(steps);
    for (std::string step; std::getline(each, step, ';');) {
        if (step.find_first_not_of(' ') == std::string::npos) continue;
        step = step.substr(step.find_first_not_of(' '));
        SCOPED_TRACE(step);
        runner.Step(step);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

}  // namespace dudo::e2e
