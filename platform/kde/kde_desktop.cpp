#include "platform/kde/kde_desktop.h"

#include <QCoreApplication>
#include <QThread>

#include "common/error.h"
#include "platform/kde/kde_print_key.h"
#include "platform/kde/kwin_active_window.h"
#include "platform/kde/kwin_screenshot.h"

namespace dudo {

ScreenSource KdeDesktop::PreferredSource(bool screenCopy) {
    if (!screenCopy && KwinScreenshot::Offered()) return ScreenSource::KWin;
    return Desktop::PreferredSource(screenCopy);
}

Picture KdeDesktop::LayoutPicture(bool withPointer) {
    return source() == ScreenSource::KWin ? KwinPicture(withPointer) : Desktop::LayoutPicture(withPointer);
}

// A copy of dudo KWin does not know of yet declares itself, says so once,
// and asks again while KWin reads its desktop files anew.
Picture KdeDesktop::KwinPicture(bool withPointer) {
    try {
        return KwinScreenshot::Take(withPointer);
    } catch (const KwinScreenshot::NotAllowed&) {
    }
    const std::string file = KwinScreenshot::DeclareSelf(QCoreApplication::applicationFilePath().toStdString());
    tell("KWin 只讓在桌面檔中宣告過的程式擷取螢幕：dudo 已在 " + file + " 宣告 (KWin lets only programs declared in a desktop "
         "file take screenshots: dudo declared itself in " + file + ")");
    for (int tries = 0; tries < 25; ++tries) {
        QThread::msleep(200);
        try {
            return KwinScreenshot::Take(withPointer);
        } catch (const KwinScreenshot::NotAllowed&) {
        }
    }
    throw Error("KWin 仍不允許 dudo 擷取螢幕：它沒有讀到 " + file + "，或另一個執行 dudo 的桌面檔沒有宣告 (KWin still does not allow dudo to take "
                "screenshots: it has not read " + file + ", or another desktop file that runs dudo does not declare it)");
}

std::optional<Rect> KdeDesktop::FocusedWindow() { return KwinActiveWindow(); }

void KdeDesktop::OfferPrintKey(const std::string& program, const Ask& ask) {
    if (!PrintKeyOfferPending(program)) return;
    KdePrintKey::Offer(program, [&] {
        return ask("在 KDE 上，Print Screen 鍵只能經由桌面的全域快捷鍵交給 dudo。要現在設定嗎？"
                   "原本使用 Print Screen 的快捷鍵 (例如 Spectacle) 會讓出這個鍵；執行 dudo --restore-print-key 可以還原。"
                   " (On KDE, Print Screen reaches dudo only through the desktop's global shortcuts. Set this up now? "
                   "Whatever has Print Screen now, such as Spectacle, gives it up; dudo --restore-print-key undoes it.)");
    });
}

bool KdeDesktop::ReadPrintKeyOfferPending(const std::string&) { return wayland() && KdePrintKey::OnKde() && KdePrintKey::Pending(); }

}  // namespace dudo
