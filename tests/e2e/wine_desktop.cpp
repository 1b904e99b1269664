// The Wine back end of the desktop tests: dudo.exe under Wine on an Xvfb
// display of its own, with trayer as the tray the Wine shell docks into.
// Each desktop has its own copy of the prepared Wine prefix, since a prefix's
// shell serves one display; Wine hears keys only while one of its windows
// has the X focus, so a press of Print Screen goes to the panel.
#include <filesystem>

#include "tests/e2e/x11_desktop.h"

namespace dudo::e2e {

namespace {

namespace fs = std::filesystem;

const std::string kControlPanel = "HKCU\\Control Panel\\", kWineDriver = "HKCU\\Software\\Wine\\X11 Driver";

class WineDesktop : public X11Desktop {
public:
    // No X client of ours grabs Print Screen here: Wine would not hear it at all.
    explicit WineDesktop(const DesktopOptions& options) : X11Desktop(WithoutGrab(options)) {
        // Links to the files Wine only reads (symbolic ones, which work across
        // file systems); copies of the registry and the prefix's time stamp.
        const std::string prepared = (fs::path(DUDO_WINE_PROGRAM).parent_path() / "wine").string(), copy = prefix().string();
        Shell("cp -as '" + prepared + "' '" + copy + "' && cd '" + prepared + "' && rm -rf '" + copy + "/dosdevices' && " +
              "cp -a --remove-destination *.reg .update-timestamp dosdevices '" + copy + "' && rm -f '" + copy + "/wineserver'");
        if (!fs::exists(prefix() / "system.reg")) throw Missing("no Wine prefix at " + prepared);
        startTimeoutMs_ = 30000;  // the first start brings up the prefix's server and shell
        if (options.dpi != 96)  // the system's resolution, as the display settings store it
            SetValue(kControlPanel + "Desktop", "LogPixels", std::to_string(options.dpi), "REG_DWORD");
        if (options.grabPrint)  // Print Screen also opens the system's snipping, as on Windows 11
            SetValue(kControlPanel + "Keyboard", "PrintScreenKeyForSnippingEnabled", "1", "REG_DWORD");
        if (options.twoMonitors) {  // Wine sees Xinerama's monitors only without XRandR; its primary is chosen by index
            SetValue(kWineDriver, "UseXRandR", "N");
            SetValue(kWineDriver, "PrimaryMonitor", options.primaryRight ? "1" : "0");
        }
        if (options.slowRepeat) {  // 500 ms, then 2.5 a second; the control panel keeps these as texts
            SetValue(kControlPanel + "Keyboard", "KeyboardDelay", "1");
            SetValue(kControlPanel + "Keyboard", "KeyboardSpeed", "0");
        }
    }
    ~WineDesktop() override {
        KillProgram();
        Shell(WineEnv() + "wineserver -k 2>/dev/null");
    }

    void PressKey(const std::string& key, int holdMs) override {
        FocusPanel();
        X11Desktop::PressKey(key, holdMs);
    }

protected:
    std::string Program() const override { return WineEnv() + "wine '" DUDO_WINE_PROGRAM "'"; }
    // The shell's docked icon and its balloons are nameless windows of
    // explorer.exe, the icon at most 32 px high, a balloon at least 40 (and
    // as narrow as 97 px); the panel and the boxes carry their titles as on X11.
    std::string WindowLine(Shown window) const override {
        const std::string shell = R"(\(has no name\): \("explorer\.exe" "explorer\.exe"\))";
        if (window == Shown::TrayIcon) return shell + R"((?=  \d{1,2}x(?:1\d|2\d|3[0-2])\+))";
        if (window == Shown::Balloon) return shell + R"((?=  \d+x(?:[4-9]\d|\d{3,})\+))";
        return X11Desktop::WindowLine(window);
    }

private:
    static DesktopOptions WithoutGrab(DesktopOptions options) {
        options.grabPrint = false;
        return options;
    }
    // A value in the prefix's registry; the prefix's server is ended after,
    // so that the program's start brings up its shell on this display.
    void SetValue(const std::string& key, const std::string& name, const std::string& value, const char* type = "REG_SZ") {
        Shell(WineEnv() + "wine reg add '" + key + "' /v " + name + " /t " + type + " /d " + value + " /f >/dev/null 2>&1; " +
              WineEnv() + "wineserver -w");
    }
    void FocusPanel() { Xdotool("search --name dudo進階版 windowfocus"); }
    fs::path prefix() const { return runtime_.path() / "wine"; }
    std::string WineEnv() const {
        return "WINEPREFIX='" + prefix().string() + "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";
    }
};

}  // namespace

std::unique_ptr<Desktop> MakeWineDesktop(const DesktopOptions& options) {
    return std::make_unique<WineDesktop>(options);
}

}  // namespace dudo::e2e
