#include "platform/qt/qt_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QValidator>
#include <algorithm>
#include <cmath>

#include "common/utf8.h"
#include "panel/accessible_names.h"
#include "platform/qt/program_icon.h"

namespace dudo {

namespace {

// The panel's text size at 96 dpi: the largest at which every caption and
// list item fits its control.
constexpr double kFontPixelsAt96 = 10;

// The field's length limit, counted in characters, for typing and pasting
// only: text written by the program is never cut.
class LengthLimit : public QValidator {
public:
    explicit LengthLimit(QObject* parent) : QValidator(parent) {}
    int limit = 0;
    State validate(QString& input, int&) const override {
        return limit == 0 || CharCount(input.toStdString()) <= limit ? Acceptable : Invalid;
    }
};

QPixmap MouseGlyph(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, size / 16.0 + 1));
    const QRectF body(size * 0.25, size * 0.12, size * 0.5, size * 0.76);
    p.setBrush(Qt::white);
    p.drawRoundedRect(body, size * 0.24, size * 0.24);
    p.drawLine(QPointF(size * 0.5, body.top()), QPointF(size * 0.5, size * 0.42));
    p.drawLine(QPointF(body.left(), size * 0.42), QPointF(body.right(), size * 0.42));
    p.setBrush(Qt::black);
    p.drawRect(QRectF(size * 0.27, size * 0.16, size * 0.22, size * 0.25));  // the left button
    return pixmap;
}

}  // namespace

QFont QtView::PanelFont(double twipsPerPixel) {
    QFont font;
    for (const char* family : {"Noto Sans CJK TC", "Noto Sans CJK JP", "Noto Sans CJK SC"})
        if (QFontDatabase::hasFamily(family)) {
            font = QFont(family);
            break;
        }
    font.setPixelSize(static_cast<int>(std::lround(kFontPixelsAt96 * 15 / twipsPerPixel)));
    font.setStretch(QFont::SemiCondensed);
    return font;
}

// The title font, as the desktop's settings give it to the toolkit, no
// smaller or lighter than the usual ones (GNOME's is bold, 11 points), and
// room for three buttons of a title bar's height on each side.
int QtView::CaptionRoom(const std::string& caption, double twipsPerPixel) {
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    title.setPointSizeF(std::max(title.pointSizeF(), 11.0));
    title.setBold(true);
    const double scale = 15 / twipsPerPixel;  // the display's pixels per pixel at 96 dpi
    const int buttons = static_cast<int>(std::lround(3 * 25 * scale));
    return QFontMetrics(title).horizontalAdvance(QString::fromStdString(caption)) + 2 * buttons;
}

QtView::QtView(Form1& form, ViewHooks hooks, double twipsX, double twipsY, int minimumWidth)
    : form_(form), hooks_(std::move(hooks)), twipsX_(twipsX), twipsY_(twipsY), minimumWidth_(minimumWidth) {
    setFont(PanelFont(twipsY));
    setWindowIcon(ProgramIcon());
    setObjectName("Form1");
    menuBar_ = new QMenuBar(this);
    client_ = new QWidget(this);
    client_->setGeometry(0, 0, Px(Form1::kClientWidth, true), Px(Form1::kClientHeight, false));
    QMenu* menu = nullptr;
    for (Control* control : form_.controls()) {
        if (control->kind() == Kind::Menu) {
            if (control->index() < 0) {
                menu = menuBar_->addMenu(QString::fromStdString(control->caption()));
                continue;
            }
            auto* entry = static_cast<MenuEntry*>(control);
            QAction* action = popup_.addAction(QString::fromStdString(entry->caption()));
            menu->addAction(action);
            connect(action, &QAction::triggered, this, [this, entry] {
                Run([entry] {
                    if (entry->onClick) entry->onClick();
                });
            });
            actions_[control] = action;
            continue;
        }
        if (QWidget* widget = Build(*control)) Place(*control, widget);
    }
    SetFocusOrder();
    form_.setObserverForAll(this);
    MirrorWindow(Property::Text);
    MirrorWindow(Property::Size);
}

int QtView::Px(double twips, bool horizontal) const {
    return static_cast<int>(std::lround(twips / (horizontal ? twipsX_ : twipsY_)));
}

QWidget* QtView::Build(Control& control) {
    switch (control.kind()) {
        case Kind::ComboBox: {
            auto& list = static_cast<ComboBox&>(control);
            auto* box = new QComboBox(client_);
            box->setEditable(list.editable());
            connect(box, qOverload<int>(&QComboBox::activated), this, [this, &list](int index) {
                if (!mirroring_) Run([&list, index] { list.pick(index); });
            });
            if (list.editable())
                connect(box->lineEdit(), &QLineEdit::textEdited, this,
                        [&list](const QString& text) { list.typeText(text.toStdString()); });
            return box;
        }
        case Kind::TextBox: {
            auto& field = static_cast<TextBox&>(control);
            auto* line = new QLineEdit(client_);
            line->setValidator(new LengthLimit(line));
            connect(line, &QLineEdit::textEdited, this, [&field, line](const QString& text) {
                field.typeText(text.toStdString(), line->cursorPosition());
            });
            line->installEventFilter(this);
            return line;
        }
        case Kind::CheckBox: {
            auto& check = static_cast<CheckBox&>(control);
            auto* box = new QCheckBox(QString::fromStdString(control.caption()), client_);
            connect(box, &QCheckBox::clicked, this, [this, &check](bool on) {
                if (!mirroring_) Run([&check, on] { check.setValue(on ? 1 : 0); });
            });
            return box;
        }
        case Kind::Label: return new QLabel(client_);
        case Kind::CommandButton: {
            auto& command = static_cast<CommandButton&>(control);
            auto* button = new QPushButton(client_);
            if (control.name() == "Command3") {
                // No symbol font draws the mouse here: a drawn mouse instead.
                button->setIcon(QIcon(MouseGlyph(64)));
                button->setIconSize(QSize(Px(control.geometry.width, true) - 8, Px(control.geometry.height, false) - 8));
            }
            button->setToolTip(QString::fromStdString(command.toolTip));
            connect(button, &QPushButton::clicked, this, [this, &command] { Run([&command] { command.click(); }); });
            return button;
        }
        default: return nullptr;  // picture boxes stay hidden, the timer has no look
    }
}

void QtView::Place(Control& control, QWidget* widget) {
    const Geometry& g = control.geometry;
    widget->setGeometry(Px(g.left, true), Px(g.top, false), Px(g.width, true), Px(g.height, false));
    widget->setObjectName(QString::fromStdString(control.name() +
                                                 (control.index() >= 0 ? "_" + std::to_string(control.index()) : "")));
    widget->setAccessibleName(QString::fromStdString(AccessibleName(form_, control)));
    if (control.kind() == Kind::Label) {
        // Labels are drawn beneath the fields and buttons, as lightweight
        // controls are: the corner labels span the row their fields sit on.
        widget->setFocusPolicy(Qt::NoFocus);
        widget->lower();
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    widgets_[&control] = widget;
    controlOf_[widget] = &control;
    for (Property p : {Property::Text, Property::Items, Property::Visible, Property::Enabled, Property::Value,
                       Property::MaxLength})
        Mirror(control, p);
}

void QtView::SetFocusOrder() {
    std::vector<std::pair<int, QWidget*>> order;
    for (auto& [control, widget] : widgets_)
        if (control->kind() != Kind::Label) order.push_back({control->tabIndex, widget});
    std::sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1].second, order[i].second);
    if (!order.empty()) order.front().second->setFocus();
}

void QtView::ControlChanged(Control& control, Property property) {
    if (&control == &form_) {
        MirrorWindow(property);
        return;
    }
    if (control.kind() == Kind::Menu) {
        if (control.index() < 0 && property == Property::Visible) {
            menuBar_->setVisible(control.visible());
            MirrorWindow(Property::Size);
        }
        if (auto it = actions_.find(&control); it != actions_.end()) {
            it->second->setEnabled(control.enabled());
            it->second->setVisible(control.visible());
        }
        return;
    }
    Mirror(control, property);
}

void QtView::Mirror(Control& control, Property property) {
    const auto it = widgets_.find(&control);
    if (it == widgets_.end()) return;
    QWidget* widget = it->second;
    mirroring_ = true;
    if (property == Property::Visible) widget->setVisible(control.visible());
    if (property == Property::Enabled) widget->setEnabled(control.enabled());
    if (auto* box = qobject_cast<QComboBox*>(widget)) {
        auto& list = static_cast<ComboBox&>(control);
        if (property == Property::Items) {
            box->clear();
            for (const std::string& item : list.items()) box->addItem(QString::fromStdString(item));
        }
        if (property == Property::Text || property == Property::Items) {
            if (list.editable()) box->setEditText(QString::fromStdString(list.text()));
            box->setCurrentIndex(list.listIndex());
        }
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        auto& field = static_cast<TextBox&>(control);
        const QString text = QString::fromStdString(field.text());
        if (property == Property::Text && line->text() != text) line->setText(text);
        if (property == Property::Text || property == Property::Selection) {
            if (field.selLength() > 0) line->setSelection(field.selStart(), field.selLength());
            else line->setCursorPosition(field.selStart());
        }
        if (property == Property::MaxLength)
            static_cast<LengthLimit*>(const_cast<QValidator*>(line->validator()))->limit = field.maxLength();
        if (property == Property::Text) line->setAccessibleName(QString::fromStdString(AccessibleName(form_, field)));
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        if (property == Property::Value) {
            const int v = static_cast<CheckBox&>(control).value();
            check->setTristate(v == 2);
            check->setCheckState(v == 1 ? Qt::Checked : v == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
        }
        if (property == Property::Text) check->setText(QString::fromStdString(control.caption()));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (property == Property::Text) {
            label->setText(QString::fromStdString(control.caption()));
            label->setAccessibleName(label->text());
        }
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        if (property == Property::Text && control.name() != "Command3") button->setText(QString::fromStdString(control.caption()));
    }
    mirroring_ = false;
}

void QtView::MirrorWindow(Property property) {
    if (property == Property::Text) setWindowTitle(QString::fromStdString(form_.caption()));
    if (property == Property::Visible) {
        if (form_.visible()) {
            show();
            raise();
            activateWindow();
        } else {
            hide();
        }
    }
    if (property == Property::Size) {
        const int top = form_.mnuNotifyIcon.visible() ? Px(Form1::kMenuBarHeight, false) : 0;
        menuBar_->setGeometry(0, 0, Px(Form1::kClientWidth, true), top);
        // Wider than the layout for the caption's sake: the controls keep their
        // places among themselves, in the middle.
        const int width = std::max(Px(Form1::kClientWidth, true), minimumWidth_);
        client_->move((width - Px(Form1::kClientWidth, true)) / 2, top);
        setFixedSize(width, Px(form_.heightTwips(), false));
    }
}

void QtView::closeEvent(QCloseEvent* event) {
    event->ignore();
    hooks_.closeRequested();  // does not come back: the process ends
}

void QtView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The first time the window is shown stands for its first activation.
    if (activated_) return;
    activated_ = true;
    QTimer::singleShot(0, this, [this] { hooks_.activated(); });
}

bool QtView::eventFilter(QObject* watched, QEvent* event) {
    const auto it = controlOf_.find(watched);
    if (it == controlOf_.end() || (event->type() != QEvent::KeyRelease && event->type() != QEvent::FocusIn))
        return QWidget::eventFilter(watched, event);
    Control& field = *it->second;
    const bool keyUp = event->type() == QEvent::KeyRelease;
    if (keyUp && static_cast<QKeyEvent*>(event)->isAutoRepeat()) return false;
    // Only the text fields are watched: Text1(0..3), Text5 and Text6.
    auto handler = [this, name = field.name(), index = field.index(), keyUp] {
        if (name == "Text1") keyUp ? form_.Text1_KeyUp(index) : form_.Text1_GotFocus(index);
        if (name == "Text5") keyUp ? form_.Text5_KeyUp() : form_.Text5_GotFocus();
        if (name == "Text6") keyUp ? form_.Text6_KeyUp() : form_.Text6_GotFocus();
    };
    if (keyUp) {
        Run(handler);
        return false;
    }
    // The line edit selects on focus itself: it takes the event first, then
    // ours runs at once, before keys already typed behind it, which a later
    // turn of the loop would find typed into a selection it then replaced.
    watched->event(event);
    Run(handler);
    return true;
}

}  // namespace dudo
