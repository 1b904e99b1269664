// What the Wayland back ends share: windows are found by title in the
// compositor's own list, and a StatusNotifierItem host, where one runs,
// stands for the tray; its own calls stand for clicks on the icon.
#pragma once
#include "tests/e2e/program_desktop.h"

namespace dudo::e2e {

class WaylandDesktop : public ProgramDesktop {
public:
    int PixelsPerInch() const override { return 96; }
    std::optional<WindowPlace> Window(Shown window) override {
        const auto places = Places(window);
        return places.empty() ? std::nullopt : std::optional(places.front());
    }
    int CountWindows(Shown window) override {
        if (window == Shown::TrayIcon) return statusNotifier_ ? RegisteredItems() : 0;
        const int count = static_cast<int>(Places(window).size());
        return window == Shown::MessageBox ? std::max(0, count - 1) : count;  // beside the panel
    }

    WindowPlace ShowTitledWindow(const std::string& title, int width, int x, int y) override {
        clients_.push_back(Spawn({"sh", "-c", "exec " + As(false) + DUDO_TITLE_WINDOW " '" + title + "' " + std::to_string(width)}));
        const auto shown = [&] {
            for (const WindowPlace& p : Places(title))
                if (p.width == width && p.viewable) return std::optional(p);
            return std::optional<WindowPlace>();
        };
        if (!WaitFor([&] { return shown().has_value(); }, 10000)) throw std::runtime_error("the titled window did not show");
        MoveWindow(title, x, y);
        SleepMs(700);  // as its opening animation ends
        return shown().value();
    }
    ~WaylandDesktop() override {
        for (pid_t client : clients_) kill(client, SIGTERM), waitpid(client, nullptr, 0);
    }

    std::string DisplayName() const override { return (runtime_.path() / "wayland-0").string(); }
    void CloseMessageBox() override { Keys("Return"); }
    void MovePanel(int x, int y) override { MoveWindow("dudo進階版", x, y); }

protected:
    std::string OnBus() const override { return As(false); }
    std::string OnSession(const std::string& command) const { return Shell(As(false) + command + " 2>&1"); }
    // That part of the picture a command of the desktop's writes to the file named last, in the screen's pixels.
    Picture PictureBy(const std::string& command, int x, int y, int width, int height) const {
        const std::filesystem::path file = runtime_.path() / "desktop-picture.png";
        std::filesystem::remove(file);
        if (const std::string said = OnSession(command + " '" + file.string() + "'"); !std::filesystem::exists(file))
            throw std::runtime_error("the desktop took no picture: " + said);
        return test::PngPart(file, x, y, width, height);
    }
    // A fresh environment in the desktop's session, on its private buses.
    std::string DesktopSession(const std::string& desktop) const {
        return "env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME=" + home_.string() + " XDG_RUNTIME_DIR=" + runtime_.path().string() +
               " WAYLAND_DISPLAY=wayland-0 XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=" + desktop + " NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=" +
               (bus_.empty() ? "unix:path=/nonexistent" : bus_) + " ";
    }
    bool ProgramShown() override { return Window(Shown::Panel).has_value() && (!statusNotifier_ || RegisteredItems() == 1); }
    // The host's own activation and context-menu request, answered at once
    // as a host expects, whatever the program then opens.
    void ClickTrayIcon(int button) override {
        const std::string answer =
            ItemCall(std::string("org.kde.StatusNotifierItem.") + (button == 3 ? "ContextMenu" : "Activate") + " 0 0 --timeout 3");
        if (answer != "()\n") throw std::runtime_error("the item answered: " + answer);
    }
    // The places of the windows with that title.
    virtual std::vector<WindowPlace> Places(const std::string& title) const = 0;
    // Moves the windows with that title, their content to that place.
    virtual void MoveWindow(const std::string& title, int x, int y) = 0;

    bool statusNotifier_ = false;
    std::vector<pid_t> clients_;
    std::filesystem::path home_ = runtime_.path() / "home";

private:
    std::vector<WindowPlace> Places(Shown window) const {
        const char* titles[] = {"dudo進階版", "", "", "作者的話", "dudo進階版", "dudo 選取範圍"};
        const std::string title = titles[static_cast<int>(window)];
        return title.empty() ? std::vector<WindowPlace>{} : Places(title);  // no icon or balloon of our own
    }
};

}  // namespace dudo::e2e
