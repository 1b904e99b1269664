#include "panel/form1.h"

namespace dudo {

Form1::Form1(std::function<std::unique_ptr<ImageLibrary>()> makeEngine)
    : Control(Kind::Form, "Form1"),
      Combo1(Get<ComboBox>("Combo1")),
      Combo2(Get<ComboBox>("Combo2")),
      Combo3(Get<ComboBox>("Combo3")),
      Combo4(Get<ComboBox>("Combo4")),
      Combo5(Get<ComboBox>("Combo5")),
      Combo6(Get<ComboBox>("Combo6")),
      Text5(Get<TextBox>("Text5")),
      Text6(Get<TextBox>("Text6")),
      Check1(Get<CheckBox>("Check1")),
      Check2(Get<CheckBox>("Check2")),
      Command1(Get<CommandButton>("Command1")),
      Command2(Get<CommandButton>("Command2")),
      Command3(Get<CommandButton>("Command3")),
      Command4(Get<CommandButton>("Command4")),
      Picture1(Get<PictureBox>("Picture1")),
      PicIcon(Get<PictureBox>("PicIcon")),
      Timer1(Get<Timer>("Timer1")),
      mnuNotifyIcon(Get<MenuEntry>("mnuNotifyIcon")),
      makeEngine_(std::move(makeEngine)) {
    setCaption("dudo進階版");
    setVisible(false);  // shown by start-up once the load stage has run
    geometry = {0, 0, kClientWidth, kClientHeight};
    for (int i = 0; i < 4; ++i) text1_[i] = &Get<TextBox>("Text1", i);
    for (int i = 0; i < 11; ++i) label1_[i] = &Get<Label>("Label1", i);
    for (int i = 0; i < 2; ++i) menuEntries_[i] = &Get<MenuEntry>("mnuNotifyIconS", i);
    Combo1.onClick = [this] { Combo1_Click(); };
    Combo2.onClick = [this] { Combo2_Click(); };
    Combo3.onClick = [this] { Combo3_Click(); };
}

void Form1::setObserverForAll(ControlObserver* observer) {
    setObserver(observer);
    for (Control* control : controls()) control->setObserver(observer);
}

void Form1::setHeightTwips(int twips) {
    heightTwips_ = twips;
    Notify(Property::Size);
}

ImageLibrary& Form1::Engine() {
    if (!ImageEngine) ImageEngine = makeEngine_ ? makeEngine_() : std::make_unique<ImageLibrary>();
    return *ImageEngine;
}

}  // namespace dudo
