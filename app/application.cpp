#include "app/application.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/command_line.h"
#include "common/error.h"
#include "common/utf8.h"
#include "imagelib/codecs.h"
#include "imagelib/safe_file.h"
#include "imagelib/temp_file.h"

namespace dudo {

Application::Application(Platform& platform, std::function<std::unique_ptr<ImageLibrary>()> makeEngine)
    : form(std::move(makeEngine)),
      notifyIcon(platform),
      capturer(form, platform),
      tray(form, platform, notifyIcon, [this] { Form_QueryUnload(); }),
      platform_(platform) {
    WireHandlers();
}

void Application::WireHandlers() {
    form.Command1.onClick = [this] { Command1_Click(); };
    form.Command2.onClick = [this] { tray.Command2_Click(); };
    form.Command3.onClick = [this] { capturer.Command3_Click(); };
    form.Command4.onClick = [this] { Command4_Click(); };
    for (int i = 0; i < 2; ++i) form.mnuNotifyIconS(i).onClick = [this, i] { tray.mnuNotifyIconS_Click(i); };
    platform_.OnTrayEvent([this](int eventNumber) {
        Guarded([&] { tray.PicIcon_MouseMove(0, 0, eventNumber * platform_.TwipsPerPixelX(), 0); });
    });
}

void Application::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "dudo: %s\n", failure.what());  // for the session log
        platform_.MessageBox("dudo進階版", failure.what());
    }
}

int Application::Run() {
    Form_Load();
    ViewHooks hooks;
    hooks.dispatch = [this](const std::function<void()>& handler) { Guarded(handler); };
    hooks.activated = [this] { Guarded([this] { Form_Activate(); }); };
    hooks.closeRequested = [this] { Form_QueryUnload(); };
    hooks.shownElsewhere = [this] {
        Guarded([this] {
            tray.mnuNotifyIconS_Click(0);  // as the tray menu's "顯示"
            platform_.SetForegroundWindow(form);
        });
    };
    platform_.ShowView(form, std::move(hooks));
    form.setVisible(true);
    platform_.StartTimer(form.Timer1.interval, [this] { Guarded([this] { capturer.Timer1_Timer(); }); });
    return platform_.Run();
}

void Application::Form_Load() {
    if (!platform_.AcquireSingleInstance()) {
        platform_.ShowRunningInstance();  // how a user finds a panel that is out of sight
        Form_QueryUnload();  // ends the process before anything is shown
        return;
    }
    RemoveStalePartialFiles(form.Engine().folder());
    try {
        ProbeImageLibrary();
    } catch (const std::exception&) {
        // Our library needs no registration, so RegisteredThisRun stays
        // false and no command runs; the one retry is not protected.
        ProbeImageLibrary();
    }
}

// The scratch picture is a temporary file of our own, made exclusively
// beside the pictures and removed again: a file the user has there under
// any name, or a link planted there, is never written or removed.
void Application::ProbeImageLibrary() {
    form.Picture1.setWidthTwips(0);
    form.Picture1.setHeightTwips(0);
    form.Picture1.image() = Picture{};
    ImageLibrary& engine = form.Engine();
    const std::filesystem::path name = engine.folder() / "initialize.bmp";  // for messages
    // The surface is empty; its BMP is the smallest valid one, one white pixel.
    Image surface;
    surface.pixels = Picture::Filled(1, 1, 0xFFFFFFFFu);
    const Bytes bytes = EncodeBmp(surface);
    TempFile scratch(engine.folder(), "initialize.bmp");
    scratch.Write(bytes, name);
    scratch.Finish(name);
    engine.LoadFile(scratch.path());
}

void Application::Form_Activate() {
    if (activated_) return;
    activated_ = true;
    form.SetDefaults();
    form.Label1(8).setCaption(form.Label1(8).caption() + " " + kVersion);
    form.mnuNotifyIcon.setVisible(false);
    form.setHeightTwips(form.heightTwips() - 300);
    platform_.ProcessPendingMessages();
    notifyIcon.SetIconData(kPicIconWindow, kPicIconPicture, 0, "dudo", "", "", 0, 0);
    notifyIcon.AddIcon(0);
}

void Application::Form_QueryUnload() { Form_Unload(); }

void Application::Form_Unload() {
    notifyIcon.DeleteIcon(0);
    platform_.EndProcess();
    std::abort();  // EndProcess does not come back
}

void Application::Command1_Click() { Form_QueryUnload(); }

std::string Application::AboutText() {
    ImageLibrary& engine = form.Engine();
    const std::string lines[] = {
        "dudo進階版 " + std::string(kVersion) + "：一鍵抓圖的小工具，由 dudo 開發團隊製作",
        "",
        "核心如下：",
        engine.VersionText(),
        "https://github.com/ebiggers/libdeflate",
        "",
        "本程式預設存檔路徑：",
        platform_.ProgramFolder(),
    };
    std::string text = lines[0];
    for (std::size_t i = 1; i < std::size(lines); ++i) text += "\r\n" + lines[i];
    return text;
}

void Application::Command4_Click() { platform_.MessageBox("作者的話", AboutText()); }

}  // namespace dudo
