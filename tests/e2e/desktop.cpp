#include "tests/e2e/desktop.h"


#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "panel/form1.h"
#include "panel/layout.h"

namespace dudo::e2e {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    pclose(pipe);
    return out;
}

int Desktop::Px(int twips) const { return static_cast<int>(std::lround(twips * PixelsPerInch() / 1440.0)); }

void Desktop::ClickControl(const std::string& control, int button) {
    const auto panel = Window(Shown::Panel);
    if (!panel) throw std::runtime_error("the panel is not mapped");
    const auto open = control.find('(');
    const int index = open == std::string::npos ? -1 : std::stoi(control.substr(open + 1));
    for (const ControlDesign& c : DesignedLayout())
        if (c.name == control.substr(0, open) && c.index == index) {
            const Geometry& g = c.geometry;
            // The layout in the middle of a panel made wider for its caption.
            const int margin = std::max(0, (panel->width - Px(Form1::kClientWidth)) / 2);
            MovePointer(panel->x + margin + Px(g.left + g.width / 2), panel->y + Px(g.top + g.height / 2));
            return Click(button);
        }
    throw std::runtime_error("no control " + control);
}

void Desktop::Keys(const std::string& keys) {
    std::istringstream names(keys);
    for (std::string key; names >> key;) PressKey(key, 40);
}

void Desktop::ClickTrayIcon(int button) {
    const auto icon = Window(Shown::TrayIcon);
    if (!icon) throw std::runtime_error("no tray icon");
    MovePointer(icon->x + icon->width / 2, icon->y + icon->height / 2);
    Click(button);
}

bool Desktop::WaitFor(const std::function<bool()>& condition, int timeoutMs) const {
    for (int waited = 0; waited < timeoutMs; waited += 25) {
        if (condition()) return true;
        SleepMs(25);
    }
    return condition();
}

long ProcessMemoryKb(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
    return 0;
}

}  // namespace dudo::e2e
