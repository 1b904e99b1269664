#include "tests/e2e/desktop.h"

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <thread>

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

std::pair<int, int> Desktop::ControlCentre(const std::string& name, int index) {
    const auto panel = Window(Shown::Panel);
    if (!panel) throw std::runtime_error("the panel is not mapped");
    for (const ControlDesign& d : DesignedLayout())
        if (d.name == name && d.index == index) {
            const double twips = 1440.0 / PixelsPerInch();
            return {panel->x + static_cast<int>((d.geometry.left + d.geometry.width / 2) / twips),
                    panel->y + static_cast<int>((d.geometry.top + d.geometry.height / 2) / twips)};
        }
    throw std::runtime_error("no control " + name);
}

void Desktop::ClickControl(const std::string& name, int index, int button) {
    const auto [x, y] = ControlCentre(name, index);
    MovePointer(x, y);
    Click(button);
}

bool Desktop::WaitFor(const std::function<bool()>& condition, int timeoutMs) {
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
