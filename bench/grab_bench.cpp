// The bare screen copy: MIT-SHM into the kept segment against a plain image
// request, on the display in DISPLAY. Not a test: it prints figures.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/x11/x11_screen.h"

namespace {

template <class F> double MedianMs(F&& f, int runs) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

}  // namespace

int main() {
    dudo::X11Screen screen;
    const dudo::Size size = screen.ScreenSize();
    dudo::Picture surface = dudo::Picture::Filled(size.width, size.height, 0xFFFFFFFFu);
    const double shm = MedianMs([&] { screen.CopyScreen(0, 0, surface); }, 30);
    Display* d = XOpenDisplay(nullptr);
    const double plain = MedianMs([&] {
        XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, size.width, size.height, AllPlanes, ZPixmap);
        XDestroyImage(image);
    }, 30);
    XCloseDisplay(d);
    std::printf("screen %dx%d, shared memory %s\n", size.width, size.height, screen.sharedMemory() ? "yes" : "no");
    std::printf("  copy through our screen (MIT-SHM)  %7.2f ms  x%.2f\n", shm, shm / plain);
    std::printf("  plain image request (baseline)     %7.2f ms  x1.00\n", plain);
}
