// QtView: the panel window in Qt Widgets, a mirror of the Form1 model. Each
// control becomes a widget at its twips position; model changes reach the
// widgets through the observer, and user actions become model changes plus
// the named handler, run through the program's dispatch.
#pragma once
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <map>

#include "panel/form1.h"
#include "platform/platform.h"

namespace dudo {

class QtView : public QWidget, public ControlObserver {
public:
    // minimumWidth: pixels the window must be wide at least (its controls
    // stay where the layout puts them), 0 for the layout's own width.
    QtView(Form1& form, ViewHooks hooks, double twipsX, double twipsY, int minimumWidth = 0);

    void ControlChanged(Control& control, Property property) override;
    QMenu& popupMenu() { return popup_; }
    // The panel's font at the layout's scale, so that texts grow with the controls.
    static QFont PanelFont(double twipsPerPixel);
    // How wide a window must be for a title bar that centres its caption
    // between buttons on both sides to show that caption whole.
    static int CaptionRoom(const std::string& caption, double twipsPerPixel);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* Build(Control& control);
    void Place(Control& control, QWidget* widget);
    void Mirror(Control& control, Property property);
    void MirrorWindow(Property property);
    void SetFocusOrder();
    void Run(const std::function<void()>& handler) { hooks_.dispatch(handler); }
    int Px(double twips, bool horizontal) const;

    Form1& form_;
    ViewHooks hooks_;
    double twipsX_, twipsY_;
    int minimumWidth_;
    QMenuBar* menuBar_;
    QWidget* client_;
    QMenu popup_;
    std::map<Control*, QWidget*> widgets_;
    std::map<Control*, QAction*> actions_;
    std::map<QObject*, Control*> controlOf_;
    bool activated_ = false;
    bool mirroring_ = false;  // a model change is being copied into widgets
};

}  // namespace dudo
