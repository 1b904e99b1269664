#include "panel/controls.h"

#include <algorithm>

#include "common/error.h"
#include "common/utf8.h"

namespace dudo {

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Form: return "Form";
        case Kind::ComboBox: return "ComboBox";
        case Kind::TextBox: return "TextBox";
        case Kind::CheckBox: return "CheckBox";
        case Kind::Label: return "Label";
        case Kind::CommandButton: return "CommandButton";
        case Kind::PictureBox: return "PictureBox";
        case Kind::Timer: return "Timer";
        case Kind::Menu: return "Menu";
    }
    return "";
}

void Control::Notify(Property property) {
    if (observer_) observer_->ControlChanged(*this, property);
}

void Control::setCaption(std::string caption) {
    caption_ = std::move(caption);
    Notify(Property::Text);
}

void Control::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Notify(Property::Visible);
}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Notify(Property::Enabled);
}

// ComboBox

const std::string& ComboBox::item(int index) const {
    if (index < 0 || index >= static_cast<int>(items_.size()))
        throw Error(name() + "：清單索引無效 (invalid list index " + std::to_string(index) + ")");
    return items_[index];
}

void ComboBox::clear() {
    items_.clear();
    listIndex_ = -1;
    if (!editable_) text_.clear();
    Notify(Property::Items);
}

void ComboBox::addItem(std::string text) {
    items_.push_back(std::move(text));
    Notify(Property::Items);
}

void ComboBox::Select(int index) {
    listIndex_ = index;
    text_ = items_[index];
    Notify(Property::Text);
    if (onClick) onClick();
}

int ComboBox::IndexOf(const std::string& text) const {
    const auto found = std::find(items_.begin(), items_.end(), text);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void ComboBox::setText(const std::string& text) {
    if (!editable_) {
        const int index = IndexOf(text);
        if (index < 0) throw Error(name() + "：清單中沒有「" + text + "」(no such item)");
        Select(index);
        return;
    }
    typeText(text);
    Notify(Property::Text);
}

void ComboBox::pick(int index) {
    item(index);  // refuses an index outside the list
    Select(index);
}

void ComboBox::typeText(const std::string& text) {
    if (!editable_) return;  // a pick-only list takes no typing
    text_ = text;
    listIndex_ = IndexOf(text);
}

// TextBox

void TextBox::setText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    selStart_ = CharCount(text_);
    selLength_ = 0;
    Notify(Property::Text);
}

void TextBox::typeText(const std::string& text, int caret) {
    text_ = text;
    selStart_ = std::clamp(caret, 0, CharCount(text_));
    selLength_ = 0;
}

bool TextBox::accepts(const std::string& text) const { return maxLength_ == 0 || CharCount(text) <= maxLength_; }

void TextBox::setMaxLength(int length) {
    maxLength_ = std::max(0, length);
    Notify(Property::MaxLength);
}

void TextBox::setSelStart(int start) {
    selStart_ = std::clamp(start, 0, CharCount(text_));
    selLength_ = 0;  // moving the start collapses the selection, as in the toolkit
    Notify(Property::Selection);
}

void TextBox::setSelLength(int length) {
    selLength_ = std::clamp(length, 0, CharCount(text_) - selStart_);
    Notify(Property::Selection);
}

// CheckBox, PictureBox

void CheckBox::setValue(int value) {
    if (value < 0 || value > 2) throw Error(name() + "：核取值無效 (invalid value " + std::to_string(value) + ")");
    value_ = value;
    Notify(Property::Value);
}

void PictureBox::setWidthTwips(double twips) {
    widthTwips_ = twips;
    Notify(Property::Size);
}

void PictureBox::setHeightTwips(double twips) {
    heightTwips_ = twips;
    Notify(Property::Size);
}

}  // namespace dudo
