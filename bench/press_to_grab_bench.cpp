// From the Print Screen key event (sent with XTEST) to the screen copy
// finished inside the running poller, next to one bare screen copy measured
// in the same run, on the display in DISPLAY. Not a test: it prints figures.
// Qt first: Xlib's macros (Bool, Status) would break its headers.
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "capture/capturer.h"
#include "platform/linux/linux_platform.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace dudo;
using Clock = std::chrono::steady_clock;

namespace {

class TimedPlatform : public LinuxPlatform {
public:
    using LinuxPlatform::LinuxPlatform;
    void CopyScreen(int x, int y, Picture& surface, bool withPointer) override {
        LinuxPlatform::CopyScreen(x, y, surface, withPointer);
        grabbed = Clock::now();
    }
    Clock::time_point grabbed;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    TimedPlatform platform(argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "dudo-press-bench";
    std::filesystem::create_directories(folder);
    Form1 form([&] { return std::make_unique<ImageLibrary>(folder); });
    form.SetDefaults();
    Capturer capturer(form, platform);
    platform.StartTimer(form.Timer1.interval, [&] { capturer.Timer1_Timer(); });

    std::vector<double> bare;
    Picture surface = Picture::Filled(platform.ScreenSize().width, platform.ScreenSize().height, 0xFFFFFFFFu);
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        platform.CopyScreen(0, 0, surface, false);
        bare.push_back(Ms(platform.grabbed - start));
    }

    Display* d = XOpenDisplay(nullptr);
    const KeyCode print = XKeysymToKeycode(d, XK_Print);
    std::vector<double> latencies;
    Clock::time_point sent;
    QTimer presser;
    presser.setInterval(300);
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (!latencies.empty() || sent != Clock::time_point{}) {
            if (platform.grabbed > sent) latencies.push_back(Ms(platform.grabbed - sent));
        }
        if (latencies.size() == 20) {
            std::printf("screen %dx%d\n", surface.width, surface.height);
            std::printf("  one bare screen copy            median %6.2f ms\n", Median(bare));
            std::printf("  key event to copy finished      median %6.2f ms (x%.2f of the copy), worst %.2f ms\n",
                        Median(latencies), Median(latencies) / Median(bare),
                        *std::max_element(latencies.begin(), latencies.end()));
            std::printf("  of which waiting for the poller median %6.2f ms\n", Median(latencies) - Median(bare));
            std::filesystem::remove_all(folder);
            std::fflush(stdout);
            _exit(0);
        }
        sent = Clock::now();
        XTestFakeKeyEvent(d, print, True, 0);
        XTestFakeKeyEvent(d, print, False, 0);
        XFlush(d);
    });
    presser.start();
    return platform.Run();
}
