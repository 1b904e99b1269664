// The panel as the toolkit lays it out at common screen resolutions: every
// control where the twips layout puts it, and every shown text, list item
// included, inside its control by the toolkit's own font metrics.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>

#include "panel/form1.h"
#include "platform/qt/qt_view.h"

using namespace dudo;

namespace {

// The room a text needs inside its control, from the style's own sizes.
int NeededWidth(QWidget* w, const QString& text) {
    const int advance = w->fontMetrics().horizontalAdvance(text);
    if (auto* box = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(advance, 0), box).width();
    }
    if (auto* check = qobject_cast<QCheckBox*>(w)) return check->sizeHint().width();
    if (qobject_cast<QPushButton*>(w)) return advance + 2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin);
    if (qobject_cast<QLineEdit*>(w)) return advance + 2 * 2 + 2 * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return advance;  // labels draw their text plainly
}

QStringList ShownTexts(QWidget* w) {
    QStringList texts;
    if (auto* box = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    else if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
    else if (auto* line = qobject_cast<QLineEdit*>(w)) texts << line->text();
    texts.removeAll("");
    return texts;
}

}  // namespace

TEST(Panel, TextsFitTheirControlsAtEveryResolution) {
    int argc = 1;
    char name[] = "view_tests";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int fontAt96 = 0;
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        Form1 form;
        form.SetDefaults();
        const double twips = 1440.0 / dpi;
        QtView view(form, {[](const std::function<void()>& f) { f(); }, [] {}, [] {}, [] {}}, twips, twips);
        // Fonts follow the layout's scale.
        const int font = view.font().pixelSize();
        if (dpi == 96) fontAt96 = font;
        EXPECT_NEAR(font, fontAt96 * dpi / 96.0, 1);
        for (Control* control : form.controls()) {
            const std::string id = control->name() + (control->index() >= 0 ? "_" + std::to_string(control->index()) : "");
            auto* w = view.findChild<QWidget*>(QString::fromStdString(id));
            if (!w) continue;
            const Geometry& g = control->geometry;
            EXPECT_EQ(w->geometry(), QRect(std::lround(g.left / twips), std::lround(g.top / twips),
                                           std::lround(g.width / twips), std::lround(g.height / twips))) << id;
            EXPECT_EQ(w->isVisibleTo(&view), control->visible()) << id;
            for (const QString& text : ShownTexts(w)) {
                EXPECT_LE(NeededWidth(w, text), w->width()) << id << " \"" << text.toStdString() << "\"";
                EXPECT_LE(w->fontMetrics().height(), w->height()) << id << " \"" << text.toStdString() << "\"";
            }
        }
    }
}
