// The desktop scenarios: one table, each row a path through the panel and
// what the files or the windows must then show, run by one runner against
// every desktop back end. Steps are separated by ';'; the verbs are the
// runner's, listed in Runner::Step.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <utility>

#include "platform/null/null_platform.h"
#include "tests/e2e/desktop.h"

using namespace dudo;
using namespace dudo::e2e;
namespace fs = std::filesystem;

namespace {

struct Scenario {
    const char* name;
    DesktopOptions options;
    const char* steps;
    const char* backends = "X11";  // where the row runs: a platform lacking the means to run it is left out
};

const DesktopOptions kNoDesktop{0, 0, true, "", false, false, 96};
const DesktopOptions kNotifying{1280, 800, true, "", true, false, 96};
const DesktopOptions kPrintHeld{1280, 800, true, "", false, true, 96};
const DesktopOptions kAt144Dpi{1280, 800, true, "", false, false, 144};
const DesktopOptions kAt192Dpi{1280, 800, true, "", false, false, 192};
const DesktopOptions kStatusNotifierHost{1280, 800, true, "", false, false, 96, TrayHost::StatusNotifier};
const DesktopOptions kDarkTray{1280, 800, true, "", false, false, 96, TrayHost::DarkTrayer};
const DesktopOptions kXWayland{1280, 800, true, "", false, false, 96, TrayHost::Trayer, true};
const DesktopOptions kPortal{1280, 800, true, "", false, false, 96, TrayHost::Trayer, false, true};
const DesktopOptions kNoTray{1280, 800, true, "", false, false, 96, TrayHost::Absent};
const DesktopOptions kSlowRepeat{640, 480, true, "", false, false, 96, TrayHost::Trayer, false, false, true};
const DesktopOptions kTwoMonitors{1280, 800, true, "", false, false, 96, TrayHost::Trayer, false, false, false, true};
const DesktopOptions kWindowExtension = [] { DesktopOptions o; o.extension = DesktopOptions::Extension::Enabled; return o; }();
const DesktopOptions kExtensionAt144Dpi = [] { DesktopOptions o{1920, 1200, true, "", false, false, 144}; o.extension = DesktopOptions::Extension::Enabled; return o; }();
const DesktopOptions kExtensionOffered = [] { DesktopOptions o; o.extension = DesktopOptions::Extension::Offered; return o; }();
const DesktopOptions kPrimaryRight{1280, 800, true, "", false, false, 96, TrayHost::Trayer, false, false, false, true, true};

// On sway, the typed range from the keyboard alone, in the panel's focus
// order; it takes in the top left corner of the panel, centred at (543, 256).
#define SWAY_TYPED_RANGE                                                                                      \
    "keys Down Down Tab Tab Tab Tab Tab Tab Tab 5 0 0 Tab Tab Tab 2 0 0 Tab 7 0 0 Tab 4 0 0; print; file .png 200 200;" \
    "pixel 42 60 336699; pixel 44 60 efefef; pixel 44 54 336699"

const Scenario kScenarios[] = {
    // Start-up and how the panel shows.
    {"StartsShorterWithOneTrayIconAsDesigned", {},
     "panel-size 2895 4320; icons 1; files 0; icon-shows-picture; logged 0 also reacts to Print Screen", "X11 Wine"},
    {"PanelScalesAt144Dpi", kAt144Dpi, "panel-size 2895 4320; pointer 900 700; print", "X11 Wine"},
    // What a press captures.
    {"PrintScreenWritesTheScreen", {},
     "pattern 300 100 400 300; focus-pattern; pointer 1200 700; print; file .png 1280 800; shows 300 100 400 300 300 100", "X11 Wine"},
    {"PrintScreenWithoutSharedMemory", {1024, 768, false, "", false, false, 96},
     "pattern 300 100 400 300; pointer 1000 700; print; file .png 1024 768; shows 300 100 400 300 300 100"},
    {"ForegroundWindow", {},
     "pattern 400 200 320 240; click Combo1; keys Down Return; focus-pattern; pointer 1200 700; print;"
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
     "click Text1(3); type 250; pattern 100 50 200 200; pointer 1200 700; print; file .png 200 200; shows 0 0 200 200 100 50", "X11 Wine"},
    // A click on the panel first: Wine reports the pointer image its active
    // window's thread set, and none while none of its windows is active.
    {"PointerDrawnWhereItStands", {}, "click Text6; pointer 640 400; print; pointer-drawn 640 400", "X11 Wine"},
    // Wayland: Print Screen bound in the desktop to `dudo --capture`; with an
    // X server beside it (XWayland), still the compositor's picture, not a black one.
    {"PrintScreenThroughTheDesktopsBinding", {}, "print; file .png 1280 800; pixel 5 795 336699; pixel 1275 5 336699; logged 0 QObject", "Sway"},
    {"FocusedWindowAsSwayTellsIt", {}, "keys Down; print; file .png panel", "Sway"},
    {"RangeTypedFromTheKeyboard", {}, SWAY_TYPED_RANGE, "Sway"},
    // Clicks on other windows are not seen on Wayland: picking goes through
    // a full-screen overlay of the program's, gone after the second corner
    // or Esc, which keeps the range.
    {"RangePickedOnTheOverlay", {},
     "click Combo1; keys Down Down Return; click Command3 slow; window overlay; pointer 500 200; click; pointer 600 100; click;"
     "pointer 700 400; click; no-window overlay; click Command3 slow; window overlay; keys Escape; no-window overlay; print; file .png 200 200; pixel 42 60 336699; pixel 44 60 efefef; pixel 44 54 336699", "Sway"},
    // Two outputs, the second of twice the scale: the screen is the panel's
    // output, whichever it is; the other lies beside it at the screen's
    // scale, and what no output shows stays white. Picking puts an overlay
    // on each output; the one on the scaled output takes a moment to settle.
    {"ScreenIsThePanelsOutput", {},
     "desktop create_output; desktop output HEADLESS-2 mode 800x600 pos 1280 0 scale 2; desktop [title=\"^dudo進階版$\"] move container to output HEADLESS-2;"
     "print; file .png 800 600; raise-panel; keys Down; print; file .png 386 576; pixel 380 570 efefef; pixel 3 3 efefef", "Sway"},
    {"RangesAcrossAndOnTheOtherOutput", {},
     "desktop create_output; desktop output HEADLESS-2 mode 800x600 pos 1280 0 scale 2 bg #993366 solid_color; desktop output HEADLESS-1 pos 0 0;"
     "keys Down Down Tab Tab Tab Tab Tab Tab Tab 1 1 8 0 Tab Tab Tab 2 0 0 Tab 1 3 8 0 Tab 4 0 0; print; file .png 200 200;"
     "pixel 99 50 336699; pixel 100 50 993366; pixel 199 99 993366; pixel 100 100 ffffff; pixel 50 150 336699;"
     "click Command3 slow; window overlay; sh sleep 1; pointer 1300 60; click; pointer 1400 160; click; no-window overlay; print; file .png 100 100;"
     "pixel 0 0 993366; pixel 90 90 993366", "Sway"},
    // waybar's tray: its activation shows the panel, its context-menu request opens ours.
    {"StatusNotifierItemOnWayland", kStatusNotifierHost,
     "icons 1; item-tip dudo; click Command2; panel hidden; tray 1; panel shown; tray 3; keys Down Return; exits 0; icons 0",
     "Sway"},
    // GNOME with its AppIndicator extension, which shows the menu itself.
    {"CaptionReadsWhole", {}, "caption-whole", "GNOME KDE"},
    {"CaptionReadsWholeAt192Dpi", kAt192Dpi, "caption-whole", "KDE"},
    {"StatusNotifierItemOnGnome", kStatusNotifierHost, "icons 1; item-tip dudo; click Command2; panel hidden; tray 1; panel shown", "GNOME"},
    // On an output scaled twice, pictures have the output's own pixels: the
    // panel, at twice its size, where sway's layout puts it times two.
    {"OutputScaledTwice", {},
     "desktop output HEADLESS-1 scale 2; desktop [title=\"^dudo進階版$\"] move position center; print; file .png 1280 800;"
     "pixel 5 795 336699; keys Down; print; file .png 386 576; pixel 380 570 efefef; pixel 3 3 efefef", "Sway"},
    // Scaled by a fraction, as many laptops are: the screen, the focused
    // window and a typed range come as the compositor's own picture shows
    // them, pixel for pixel, the panel's text caret aside. (At 1.5, an
    // output whose logical size is a whole number: grim resamples 1280 x 800
    // to its 853.33 units, blurring its own picture.)
    {"OutputScaledByOneAndAHalf", {},
     "desktop output HEADLESS-1 mode 1920x1080 scale 1.5; sh sleep 0.5; print; file .png 1920 1080; as-shown screen 0;"
     "move-panel 100 60; keys Down; print; as-shown at 150 90 0;"
     "keys Down Tab Tab Tab Tab Tab Tab Tab 5 0 0 Tab Tab Tab 2 0 0 Tab 7 0 0 Tab 4 0 0; print; file .png 200 200; as-shown at 500 200 0", "Sway"},
    {"OutputScaledByOneAndAQuarter", {},
     "desktop output HEADLESS-1 scale 1.25; sh sleep 0.5; print; file .png 1280 800; as-shown screen 0; move-panel 100 60; keys Down; print; as-shown at 125 75 0", "Sway"},
    // Two outputs at 1.5 and 1: each, as the panel's, comes pixel for pixel.
    {"OutputsAtOneAndAHalfAndOne", {},
     "desktop output HEADLESS-1 mode 1920x1080 scale 1.5; desktop create_output; desktop output HEADLESS-2 mode 1280x800 pos 1280 0 scale 1 bg #993366 solid_color;"
     "sh sleep 0.5; print; file .png 1920 1080; as-shown screen 0;"
     "desktop [title=\"^dudo進階版$\"] move container to output HEADLESS-2; desktop focus output HEADLESS-2; sh sleep 0.5; print; file .png 1280 800; as-shown screen 0", "Sway"},
    // Outputs that came and went, more than a fixed list would hold, then a new one: the screens still come.
    {"OutputsComeAndGoAllDay", {},
     "outputs-come-and-go 20; desktop create_output; desktop output HEADLESS-22 mode 800x600 pos 1280 0; "
     "desktop [title=\"^dudo進階版$\"] move container to output HEADLESS-22; print; file .png 800 600", "Sway"},
    {"XWaylandBesideGivesNoBlackPicture", kXWayland, "print; file .png 1280 800; pixel 5 795 336699", "Sway"},
    // The portal's wlr backend writes /tmp/out.png: a file there it may not
    // replace makes it fail; then the pictures come, and its file is removed.
    {"ScreenThroughTheDesktopPortal", kPortal,
     "sh rm -f /tmp/out.png && echo x >/tmp/out.png; print-fails could not take the screenshot; sh rm /tmp/out.png;"
     "print; file .png 1280 800; pixel 5 795 336699; pixel 1275 5 336699; sh ! test -e /tmp/out.png;" SWAY_TYPED_RANGE, "Sway"},
    // Presses as a hand makes them: one picture each, however long the key
    // is held short of the keyboard's repeat, also when one comes during a
    // capture, where a scale of 4 makes the picture 5120 x 3200.
    {"OnePressOnePicture", {}, "print 40; print 120; print 200; files 3; print; print; files 5", "X11 Wine Sway KDE"},
    {"APressDuringACaptureGivesItsOwnPicture", {},
     "click Combo4; keys ctrl+a; type 4; pattern 0 0 1280 800; pointer 1200 700; press-during-capture; files 2", "X11 Wine"},
    // Held past the delay, the key repeats as the keyboard does: twice in 1.1 s,
    // on a screen small enough for quick pictures in a sanitized build too.
    {"HeldKeyRepeatsAtTheKeyboardsRate", kSlowRepeat, "pointer 600 400; print 1100; files 3", "X11 Wine"},
    {"TypedScaleReachesThePicture", {}, "click Combo4; keys ctrl+a; type 0.5; pointer 1200 700; print; file .png 640 400", "X11 Wine"},
    // Combo3, then Command1 and Command2; the hidden fields are skipped: Text6,
    // whose focus selects "100".
    {"KeyboardReachesTheQualityField", {},
     "pattern 300 100 600 400; click Combo3; keys Down Down Return; pointer 60 200; print; file .jpg;"
     "keys Tab Tab Tab; type 10; print; file .jpg; smaller-than-previous 3", "X11 Wine"},
    {"HidingWhileCapturingShowsWhatLiesUnder", {},
     "pattern 0 0 400 400; raise-panel; click Check1; pointer 1200 700; covered 100 100; print;"
     "shows 0 0 400 400 0 0; panel shown", "X11 Wine"},
    {"AboutMessageWhileCapturesGoOn", {}, "click Command4; window about; print; close-about; running", "X11 Wine"},
    // Two monitors side by side, the second shorter: the targets on the
    // second, and the strip below it, which no monitor shows, left white.
    {"ForegroundWindowOnTheSecondMonitor", kTwoMonitors,
     "pattern 1400 100 320 240; click Combo1; keys Down Return; focus-pattern; pointer 1200 700; print; file .png 320 240;"
     "shows 0 0 320 240 1400 100"},
    {"RangeAcrossBothMonitors", kTwoMonitors, "pattern 1100 600 400 200; click Combo1; keys Down Down Return; click Text1(0); type 1180;"
     "click Text1(1); type 700; click Text1(2); type 1380; click Text1(3); type 800; pointer 600 100; print; file .png 200 100;"
     "shows 0 0 200 68 1180 700; shows 0 68 100 32 1180 768; pixel 150 90 ffffff", "X11 Wine"},
    {"PanelOnTheSecondMonitor", kTwoMonitors,
     "sh DISPLAY=$D xdotool search --name dudo進階版 windowmove 1500 50; click Combo1; keys Down Return; print; as-shown", "Wine"},
    // Moved to a monitor of twice the scale, the panel's layout, fonts and frame follow.
    {"PanelRescalesOnAMonitorOfAnotherScale", {}, "windows-tool dpi_changed.exe 192; says status=0", "Wine"},
    // The primary on the right: the screen is that monitor, and the left
    // one lies at negative places.
    {"PrimaryMonitorOnTheRight", kPrimaryRight, "pattern 1300 20 600 500; pointer 100 700; print; file .png 1024 768; shows 20 20 600 500 1300 20;"
     "sh DISPLAY=$D xdotool search --name dudo進階版 windowmove 200 100; click Combo1; keys Down Return; print; as-shown", "Wine"},
    // The tray and the ways out.
    {"HidesToTheTrayAndComesBack", {}, "click Command2; panel hidden; window balloon; icons 1; tray 1; panel shown", "X11 Wine"},
    // A second start is how a user finds the panel again.
    {"SecondStartShowsTheHiddenPanel", {}, "click Command2; panel hidden; again; says status=0; panel shown; running", "X11 Wine"},
    // No tray shows the icon (stock GNOME, a bare window manager): hiding
    // would strand the panel, so it is minimised, which a desktop without a
    // window manager ignores; the balloon's text goes to the log.
    {"WithoutATrayThePanelStaysWithinReach", kNoTray,
     "click Command2; sh sleep 0.5; panel shown; logged 1 程式縮小於此; again; says status=0; running", "X11 Sway"},
    // GNOME: Print bound to `dudo --capture` through its settings. The first
    // capture waits on the desktop's question, which the program says at
    // once; the test answers it in the desktop's dialog with a click on
    // "Allow". The whole screen then comes as the shell shows it, with no
    // more questions. A stored "no" is refused at once, with how to allow it.
    {"FirstCaptureAsksThenSavesAndANoSaysHowToAllow", {},
     "keys Print; logged 1 桌面正在詢問; notified 1 桌面正在詢問; desktop answer Allow; files 1; print; file .png 1280 800; as-shown screen;"
     "logged 1 桌面正在詢問; desktop permission no; print-fails SetPermission screenshot true screenshot; desktop permission yes; print; files 3", "GNOME"},
    // GNOME as it comes keeps Print for its screenshot UI: dudo offers once
    // to take it through the desktop's own settings, and gives it back; the
    // settings daemon takes up a new shortcut within moments.
    {"OffersToTakePrintScreenAndGivesItBack", kPrintHeld,
     "window question; keys Return; desktop permission yes; sh sleep 3; print; file .png 1280 800; again --restore-print-key; says status=0; sh sleep 1; keys Print; files 1",
     "GNOME"},
    // The focused window under GNOME through dudo's extension, as the shell
    // shows it; without it, a refusal that says how to turn it on; the
    // offer to turn it on, once, undone by --restore-print-key.
    {"ActiveWindowThroughTheExtension", kWindowExtension, "desktop permission yes; keys Down; print; as-shown 0", "GNOME"},
    // GNOME at 1.5, its fractional scaling switched on: the screen and the focused window as the shell shows them.
    {"ScaledByOneAndAHalf", kExtensionAt144Dpi, "desktop permission yes; print; file .png 1920 1200; as-shown screen 2; keys Down; print; as-shown 0", "GNOME"},
    {"ActiveWindowRefusedWithoutTheExtension", {}, "desktop permission yes; keys Down; print-fails turn on dudo's extension", "GNOME"},
    {"OffersTheWindowExtensionOnce", kExtensionOffered, "window question; keys Return; sh sleep 1; again --restore-print-key; says 已停用", "GNOME"},
    // GNOME on X11: its screenshot UI holds Print there too; the same offer,
    // once, sets it aside, so that a new start finds the key free.
    {"OffersToSetTheScreenshotKeyAside", {},
     "window question; logged 0 also reacts to Print Screen; keys Return; sh sleep 1; kill; start; logged 0 also reacts to Print Screen; print; files 1",
     "GNOMEonX11"},
    // Stock GNOME shows no tray: hiding minimises, and a second start brings the panel back.
    {"WithoutATrayASecondStartBringsThePanelBack", {},
     "panel-size 2895+ 4320; click Command2; panel hidden; notified 1 程式縮小於此; again; says status=0; panel shown; running", "GNOME"},
    // KDE: Print bound to `dudo --capture` in KWin's global shortcuts. KWin
    // gives pictures to declared programs only: a copy it does not know
    // declares itself, says so once, and its pictures come as KWin shows the screen.
    // The active window through KWin's scripting: its frame, title bar
    // included, as KWin shows it, also at 1.5 and on the second output;
    // the whole screen at 1.5 too, where only the caption differs, which
    // reads "存檔中 ......" while the picture is taken.
    {"ActiveWindowWithItsFrame", {}, "keys Down; print; as-shown 0", "KDE"},
    {"ActiveWindowAtOneAndAHalf", kAt144Dpi, "keys Down; print; as-shown 0; keys Up; print; file .png 1920 1200; as-shown screen 2", "KDE"},
    {"ActiveWindowOnTheSecondOutput", kTwoMonitors, "move-panel 1500 100; keys Down; print; as-shown 0", "KDE"},
    {"KwinGivesPicturesOnceDudoIsDeclared", {}, "print; logged 1 KWin 只讓; file .png 1280 800; as-shown screen; print 200; files 2; logged 1 KWin 只讓", "KDE"},
    // Plasma as it comes gives Print to Spectacle: dudo offers once to take
    // it through KDE's global shortcuts, and gives it back.
    {"OffersToTakePrintScreenOnKde", kPrintHeld,
     "window question; keys Return; print; file .png 1280 800; again --restore-print-key; says status=0; keys Print; files 1", "KDE"},
    {"WithoutATrayALaunchBringsThePanelBack", {},
     "panel-size 2895+ 4320; click Command2; panel hidden; logged 1 程式縮小於此; again; says status=0; panel shown; running", "KDE"},
    {"TrayIconLetsADarkTrayShowThrough", kDarkTray, "icon-shows-picture over-dark"},
    // A StatusNotifierItem host: the host's own clicks, and its own menu,
    // which shows "顯示" greyed while the panel is shown (Down then takes "結束").
    {"StatusNotifierItemAnswersTheHost", kStatusNotifierHost,
     "icons 1; item-tip dudo; click Command2; panel hidden; tray 1; panel shown; click Command2; panel hidden;"
     "tray 3; keys Down Return; panel shown; tray 3; keys Down Return; exits 0; icons 0"},
    // With a notification service the balloons go there, with our title, and
    // the hover balloon replaces itself instead of piling up.
    {"BalloonsGoToTheNotificationService", kNotifying,
     "click Command2; panel hidden; notified 1 程式縮小於此; no-window balloon; tray 1; panel shown; click Command2;"
     "notified 2 程式縮小於此; hover 20; notified 1 ~^_^~"},
    // Another client holds Print Screen, as a desktop's screenshot tool does:
    // said once, and every press still gives a picture.
    {"SharedPrintScreenIsToldOnce", kPrintHeld,
     "logged 1 also reacts to Print Screen; window balloon; pointer 1200 700; print; print; files 2"},
    {"TrayMenuEnds", {}, "tray 3; keys Down Down Return; exits 0; icons 0", "X11 Wine"},  // "顯示" greyed: the second is "結束"
    {"ExitButtonEnds", {}, "click Command1; exits 0; icons 0", "X11 Wine"},
    {"CloseBoxEnds", {}, "close-panel; exits 0; icons 0", "X11 Wine Sway KDE"},
    {"SigtermTakesTheShutdownPath", {}, "signal TERM; exits 0; icons 0", "X11 Sway KDE"},
    // `dudo --capture` for a window manager that owns Print Screen; a killed
    // instance's socket is stale, and another user is refused.
    {"CaptureCommandCapturesLikeTheKey", {}, "pointer 1200 700; capture-command; capture-command; files 2", "X11 Sway KDE"},
    {"CaptureCommandWithoutAnInstance", {}, "kill; again --capture; says status=1; says no dudo runs; start; capture-command", "X11 Sway"},
    // A client that trickles its request holds up neither the panel nor a press.
    {"ATricklingClientHoldsNothingUp", {}, "trickle; print-within 2500", "X11 Sway"},
    {"CaptureCommandFromAnotherUserIsRefused", {}, "again-as-other --capture; says status=1; says not allowed; files 0", "X11 Sway"},
    {"LockDoesNotOutliveAKill", {}, "kill; start; panel shown; print", "X11 Wine Sway KDE"},
    // Faults a capture tool must survive without losing a picture.
    {"FullDiskKeepsEarlierPictures", {1280, 800, true, "256k", false, false, 96},
     "print; click Combo3; keys Down Return; pointer 1200 700; print-fails No space left on device;"
     "click Combo3; keys Up Return; pointer 1200 700; print"},
    {"ReadOnlyFolder", {1280, 800, true, "8m", false, false, 96},
     "print; sh mount -o remount,ro \"$F\"; print-fails Read-only file system; sh mount -o remount,rw \"$F\"; print; files 2"},
    {"DeletedFolder", {}, "print; sh rm -r \"$F\"; print-fails No such file or directory; sh ! test -e \"$F\"", "X11 Sway"},
    {"KillDuringALargeSave", {3840, 2160, true, "", false, false, 96},
     "pattern 0 0 3840 2160; pointer 3800 2100; print; kill-during-save; start; print", "X11 Wine"},
    {"PlantedLinkIsNeitherFollowedNorReplaced", {},
     "click Combo2; keys Down Down Down Return; sh echo keep me >\"$E/victim\" && ln -s \"$E/victim\" \"$F/0000.png\";"
     "pointer 1200 700; print; named 0000 (2).png; file .png 1280 800; sh test \"$(cat \"$E/victim\")\" = \"keep me\" -a -L \"$F/0000.png\"", "X11 Wine"},
    {"DisplayGoingAwayEndsWithAClearMessage", {}, "print; stop-server; dies X11; files 1"},
    {"LongRunOneFileEachAndFlatMemory", {640, 480, true, "", false, false, 96}, "pattern 0 0 640 480; pointer 600 400; long-run 200"},
    // Without a usable display: a clear message, status 2, nothing written.
    {"NoDisplay", kNoDesktop, "alone -u DISPLAY; says status=2; says DISPLAY"},
    {"WaylandWithoutX", kNoDesktop, "alone -u DISPLAY WAYLAND_DISPLAY=wayland-0; says status=2; says Wayland"},
    {"UnreachableDisplay", kNoDesktop, "alone DISPLAY=:987; says status=2; says :987"},
};

struct Backend {
    const char* name;
    std::unique_ptr<Desktop> (*make)(const DesktopOptions&);
};

const Backend kBackends[] = {{"X11", MakeX11Desktop}, {"Wine", MakeWineDesktop}, {"Sway", MakeSwayDesktop}, {"GNOME", MakeGnomeDesktop},
                             {"KDE", MakeKdeDesktop}, {"GNOMEonX11", MakeGnomeOnX11Desktop}};

// The back ends a row names, each by its whole name.
std::vector<std::string> BackendsOf(const Scenario& scenario) {
    std::istringstream names(scenario.backends);
    return {std::istream_iterator<std::string>(names), std::istream_iterator<std::string>()};
}

// A step's arguments: as numbers, as words, or the whole rest of the line.
struct Args {
    std::string rest;
    std::vector<std::string> words;
    int operator[](std::size_t i) const { return std::stoi(words.at(i)); }
};

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
        {"windows-tool", [this](const Args& a) { alone_ = d().RunWindowsTool(a.rest); }},
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

struct Scenarios : ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(Scenarios, Run) {
    const Scenario& scenario = kScenarios[GetParam().second];
    Runner runner(scenario.options);
    runner.Start(kBackends[GetParam().first]);
    if (IsSkipped() || HasFatalFailure()) return;
    std::istringstream steps(scenario.steps);
    for (std::string step; std::getline(steps, step, ';');) {
        if (step.find_first_not_of(' ') == std::string::npos) continue;
        step = step.substr(step.find_first_not_of(' '));
        SCOPED_TRACE(step);
        runner.Step(step);
        if (HasFatalFailure()) return;
    }
}

std::vector<std::pair<int, int>> AllRuns() {
    std::vector<std::pair<int, int>> runs;
    for (int b = 0; b < static_cast<int>(std::size(kBackends)); ++b)
        if (kBackends[b].make != MakeWineDesktop || *DUDO_WINE_PROGRAM)  // a build with a Windows program beside it
            for (int s = 0; s < static_cast<int>(std::size(kScenarios)); ++s)
                if (std::ranges::count(BackendsOf(kScenarios[s]), kBackends[b].name)) runs.push_back({b, s});
    return runs;
}

// A misspelt back end would leave its row out without a word.
TEST(ScenarioTable, NamesOnlyKnownBackends) {
    for (const Scenario& scenario : kScenarios)
        for (const std::string& name : BackendsOf(scenario))
            EXPECT_TRUE(std::ranges::any_of(kBackends, [&](const Backend& b) { return name == b.name; })) << scenario.name << ": " << name;
}

INSTANTIATE_TEST_SUITE_P(Desktop, Scenarios, ::testing::ValuesIn(AllRuns()), [](const auto& info) {
    return std::string(kBackends[info.param.first].name) + "_" + kScenarios[info.param.second].name;
});

}  // namespace
