// The controls of the panel as data: what each one shows and holds. The view
// (platform/<name>/) mirrors them into widgets and reports user actions back;
// handlers change only these objects.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "imagelib/picture.h"

namespace dudo {

// Twips, measured from the top-left corner of the window's client area.
struct Geometry {
    int left = 0, top = 0, width = 0, height = 0;
};

enum class Kind { Form, ComboBox, TextBox, CheckBox, Label, CommandButton, PictureBox, Timer, Menu };

// The toolkit's kind name of a control ("ComboBox", "TextBox", ...).
const char* KindName(Kind kind);

enum class Property { Text, Items, Visible, Enabled, Value, Selection, MaxLength, Size, Picture };

class Control;

// Told of every change a handler makes, so that a view can follow the model.
class ControlObserver {
public:
    virtual ~ControlObserver() = default;
    virtual void ControlChanged(Control& control, Property property) = 0;
};

class Control {
public:
    Control(Kind kind, std::string name, int index = -1) : kind_(kind), name_(std::move(name)), index_(index) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return kind_; }
    const char* kindName() const { return KindName(kind_); }
    const std::string& name() const { return name_; }
    int index() const { return index_; }  // -1 when not part of a control array

    // Design data.
    Geometry geometry;
    int tabIndex = -1;  // -1 when the control never takes the focus
    std::string toolTip;

    // Caption of labels, buttons, check boxes and menu entries.
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

    bool visible() const { return visible_; }
    void setVisible(bool visible);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    void setObserver(ControlObserver* observer) { observer_ = observer; }
    // Tells the observer of a change made outside the setters (a redrawn surface).
    void Changed(Property property) { Notify(property); }

protected:
    void Notify(Property property);

private:
    Kind kind_;
    std::string name_;
    int index_;
    std::string caption_;
    bool visible_ = true;
    bool enabled_ = true;
    ControlObserver* observer_ = nullptr;
};

// Drop-down list, pick-only or editable. Setting the text of a pick-only list
// selects that item and runs the selection handler, as a user's pick does.
class ComboBox : public Control {
public:
    ComboBox(std::string name, bool editable) : Control(Kind::ComboBox, std::move(name)), editable_(editable) {}

    bool editable() const { return editable_; }
    const std::vector<std::string>& items() const { return items_; }
    const std::string& item(int index) const;
    int listIndex() const { return listIndex_; }
    const std::string& text() const { return text_; }

    void clear();
    void addItem(std::string text);
    void setText(const std::string& text);
    // A user's pick of the item at `index`: select it and run the handler.
    void pick(int index);
    // A user's typing into an editable list: no handler runs.
    void typeText(const std::string& text);

    std::function<void()> onClick;

private:
    void Select(int index);
    int IndexOf(const std::string& text) const;  // -1 when no item has that text

    bool editable_;
    std::vector<std::string> items_;
    int listIndex_ = -1;
    std::string text_;
};

// Single-line text field. Length and selection are counted in characters.
class TextBox : public Control {
public:
    explicit TextBox(std::string name, int index = -1) : Control(Kind::TextBox, std::move(name), index) {}

    const std::string& text() const { return text_; }
    // Rewriting the text it already holds leaves caret and selection alone,
    // so that typing a number digit by digit works; a new text puts the
    // caret after its last character.
    void setText(const std::string& text);
    // The user's typing, with the caret where it left it. Runs no handler.
    void typeText(const std::string& text, int caret);
    // Whether the user may type `text` into the field (its length limit).
    bool accepts(const std::string& text) const;

    int maxLength() const { return maxLength_; }  // 0: no limit
    void setMaxLength(int length);

    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    void setSelStart(int start);
    void setSelLength(int length);

private:
    std::string text_;
    int maxLength_ = 0;
    int selStart_ = 0;
    int selLength_ = 0;
};

// Check box: 0 unticked, 1 ticked, 2 grey.
class CheckBox : public Control {
public:
    explicit CheckBox(std::string name) : Control(Kind::CheckBox, std::move(name)) {}
    int value() const { return value_; }
    void setValue(int value);

private:
    int value_ = 0;
};

class Label : public Control {
public:
    Label(std::string name, int index) : Control(Kind::Label, std::move(name), index) {}
};

class CommandButton : public Control {
public:
    explicit CommandButton(std::string name) : Control(Kind::CommandButton, std::move(name)) {}
    void click() { if (onClick) onClick(); }
    std::function<void()> onClick;
    // A font of the button's own (the mouse glyph of the range-picking button).
    std::string fontFamily;
    double fontPoints = 0;
};

// Picture box: a drawing surface sized in twips with a persistent image.
class PictureBox : public Control {
public:
    explicit PictureBox(std::string name) : Control(Kind::PictureBox, std::move(name)) {}
    double widthTwips() const { return widthTwips_; }
    double heightTwips() const { return heightTwips_; }
    void setWidthTwips(double twips);
    void setHeightTwips(double twips);
    // The surface: pixels drawn on it stay (persistent drawing).
    Picture& image() { return image_; }
    const Picture& image() const { return image_; }

private:
    double widthTwips_ = 0, heightTwips_ = 0;
    Picture image_;
};

class Timer : public Control {
public:
    explicit Timer(std::string name) : Control(Kind::Timer, std::move(name)) {}
    int interval = 0;  // milliseconds
};

class MenuEntry : public Control {
public:
    MenuEntry(std::string name, int index) : Control(Kind::Menu, std::move(name), index) {}
    std::function<void()> onClick;
};

}  // namespace dudo
