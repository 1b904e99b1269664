#include "platform/windows/win32_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "panel/accessible_names.h"
#include "platform/windows/wide_text.h"

namespace dudo {

namespace {

constexpr wchar_t kWindowClass[] = L"dudo";
constexpr wchar_t kPicIconClass[] = L"dudoPicIcon";
constexpr UINT kActivated = WM_APP, kFieldFocused = WM_APP + 1;
constexpr int kFirstControlId = 100, kFirstMenuId = 1000;
// The panel's text size at 96 dpi, as on Linux: every caption and item fits.
constexpr double kFontPixelsAt96 = 10;

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

bool FontExists(const wchar_t* family) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    CopyWide(wanted.lfFaceName, Narrow(family));
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
        *reinterpret_cast<bool*>(found) = true;
        return 0;
    }, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// A Traditional Chinese face where the system has one, so that the panel reads
// right on every locale (Wine takes the Noto faces from fontconfig).
const wchar_t* PanelFamily() {
    for (const wchar_t* family : {L"Microsoft JhengHei UI", L"Microsoft JhengHei", L"PMingLiU", L"Noto Sans CJK TC",
                                  L"Noto Sans TC"})
        if (FontExists(family)) return family;
    return L"MS Shell Dlg 2";
}

void RegisterClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof panel;
    panel.lpfnWndProc = DefWindowProcW;  // replaced by the view's once it is created
    panel.hInstance = Instance();
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    panel.lpszClassName = kWindowClass;
    panel.hIcon = static_cast<HICON>(LoadImageW(Instance(), L"DUDO", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                GetSystemMetrics(SM_CYICON), 0));
    panel.hIconSm = static_cast<HICON>(LoadImageW(Instance(), L"DUDO", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExW(&panel);
    WNDCLASSEXW picIcon{};
    picIcon.cbSize = sizeof picIcon;
    picIcon.lpfnWndProc = DefWindowProcW;
    picIcon.hInstance = Instance();
    picIcon.lpszClassName = kPicIconClass;
    RegisterClassExW(&picIcon);
}

Win32View* ViewOf(HWND window) { return reinterpret_cast<Win32View*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

}  // namespace

Win32View::Win32View(Form1& form, ViewHooks hooks, double twipsPerPixel, std::function<void(int)> tray,
                     std::function<void()> taskbarCreated)
    : form_(form), hooks_(std::move(hooks)), twips_(twipsPerPixel), tray_(std::move(tray)),
      taskbarCreated_(std::move(taskbarCreated)), taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      showPanelMessage_(ShowPanelMessage()) {
    RegisterClasses();
    font_ = MakeFont(PanelFamily(), kFontPixelsAt96 * 72 / 96);
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    window_ = CreateWindowExW(0, kWindowClass, Wide(form_.caption()).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                              Px(Form1::kClientWidth), Px(form_.heightTwips()), nullptr, nullptr, Instance(), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    toolTip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, 0, 0, 0, 0, window_, nullptr, Instance(), nullptr);
    menuBar_ = CreateMenu();
    popup_ = CreatePopupMenu();
    int id = kFirstControlId;
    for (Control* control : form_.controls()) {
        ++id;
        if (control->kind() != Kind::Menu) {
            if (HWND child = Build(*control, id)) {
                windows_[control] = child;
                controlOf_[id] = control;
                for (Property p : {Property::Text, Property::Items, Property::Visible, Property::Enabled, Property::Value,
                                   Property::MaxLength})
                    Mirror(*control, p);
            }
        } else if (control->index() < 0) {
            AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup_), Wide(control->caption()).c_str());
        } else {
            const int menuId = kFirstMenuId + control->index();
            AppendMenuW(popup_, MF_STRING, static_cast<UINT_PTR>(menuId), Wide(control->caption()).c_str());
            controlOf_[menuId] = control;
            menuIds_[control] = menuId;
        }
    }
    CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     reinterpret_cast<void**>(&accessibility_));
    for (auto& [control, child] : windows_) Announce(*control, child);
    SetFocusOrder();
    form_.setObserverForAll(this);
    MirrorWindow(Property::Text);
    MirrorWindow(Property::Size);
}

Win32View::~Win32View() {
    form_.setObserverForAll(nullptr);
    const bool menuAttached = GetMenu(window_) != nullptr;
    DestroyWindow(window_);  // destroys an attached menu with it
    if (!menuAttached) DestroyMenu(menuBar_);
    for (HFONT font : {font_, symbolFont_})
        if (font) DeleteObject(font);
    if (accessibility_) accessibility_->Release();
}

void Win32View::Announce(Control& control, HWND child) {
    if (accessibility_ && control.kind() != Kind::Label)
        accessibility_->SetHwndPropStr(child, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                                       Wide(AccessibleName(form_, control)).c_str());
}

HWND Win32View::Find() { return FindWindowW(kWindowClass, nullptr); }
UINT Win32View::ShowPanelMessage() { return RegisterWindowMessageW(L"dudo-show-panel"); }

int Win32View::Px(double twips) const { return static_cast<int>(std::lround(twips / twips_)); }

HFONT Win32View::MakeFont(const wchar_t* family, double points) const {
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(points * 20 / twips_));  // points in twips, then pixels
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    CopyWide(font.lfFaceName, Narrow(family));
    return CreateFontIndirectW(&font);
}

HWND Win32View::Build(Control& control, int id) {
    const Geometry& g = control.geometry;
    const wchar_t* type = nullptr;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, extended = 0;
    int height = Px(g.height);
    switch (control.kind()) {
        case Kind::ComboBox:
            type = WC_COMBOBOXW;
            style |= WS_TABSTOP | WS_VSCROLL |
                     (static_cast<ComboBox&>(control).editable() ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST);
            height += Px(2400);  // the dropped list
            break;
        case Kind::TextBox:
            type = WC_EDITW;
            style |= WS_TABSTOP | ES_AUTOHSCROLL;
            extended = WS_EX_CLIENTEDGE;
            break;
        case Kind::CheckBox: type = WC_BUTTONW, style |= WS_TABSTOP | BS_3STATE; break;
        case Kind::Label: type = WC_STATICW, style |= SS_LEFT | SS_NOPREFIX; break;
        case Kind::CommandButton: type = WC_BUTTONW, style |= WS_TABSTOP | BS_PUSHBUTTON; break;
        case Kind::PictureBox:
            if (control.name() != "PicIcon") return nullptr;  // the capture surface needs no window
            type = kPicIconClass;
            break;
        default: return nullptr;
    }
    HWND child = CreateWindowExW(extended, type, Wide(control.caption()).c_str(), style, Px(g.left), Px(g.top),
                                 Px(g.width), height, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 Instance(), nullptr);
    Place(control, child);
    if (control.kind() == Kind::TextBox) SetWindowSubclass(child, &FieldProc, 1, reinterpret_cast<DWORD_PTR>(this));
    if (control.kind() == Kind::PictureBox) {
        picIcon_ = child;
        SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PicIconProc));
    }
    if (!control.toolTip.empty()) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(child);
        tool.lpszText = tipTexts_.emplace_back(Wide(control.toolTip)).data();  // kept: the tool tip points to it
        SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return child;
}

// The control where the twips layout puts it, in the panel's font, at the
// current scale.
void Win32View::Place(Control& control, HWND child) {
    const Geometry& g = control.geometry;
    const int height = Px(g.height) + (control.kind() == Kind::ComboBox ? Px(2400) : 0);  // with the dropped list
    SetWindowPos(child, nullptr, Px(g.left), Px(g.top), Px(g.width), height, SWP_NOZORDER | SWP_NOACTIVATE);
    HFONT font = font_;
    if (auto* button = dynamic_cast<CommandButton*>(&control); button && !button->fontFamily.empty())
        font = symbolFont_ = MakeFont(Wide(button->fontFamily).c_str(), button->fontPoints);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (control.kind() == Kind::ComboBox)  // the closed list as tall as designed
        SendMessageW(child, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), std::max(Px(g.height) - 6, 8));
}

// Moved to a monitor of another scale: the layout and the fonts follow, and
// the frame takes the rectangle Windows suggests for it there.
void Win32View::Rescale(int dpi, const RECT& suggested) {
    twips_ = 1440.0 / dpi;
    const HFONT oldFont = font_, oldSymbolFont = symbolFont_;
    font_ = MakeFont(PanelFamily(), kFontPixelsAt96 * 72 / 96);
    symbolFont_ = nullptr;
    for (auto& [control, child] : windows_) Place(*control, child);
    for (HFONT font : {oldFont, oldSymbolFont})
        if (font) DeleteObject(font);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Tab follows the designed order, which the dialog manager reads from the
// windows' stacking order; labels lie beneath the fields they sit under.
void Win32View::SetFocusOrder() {
    std::vector<std::pair<int, HWND>> order;
    for (auto& [control, child] : windows_)
        if (control->kind() != Kind::Label && control->tabIndex >= 0) order.push_back({control->tabIndex, child});
    std::sort(order.begin(), order.end());
    HWND previous = HWND_TOP;
    for (auto& [index, child] : order) {
        SetWindowPos(child, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = child;
    }
    for (auto& [control, child] : windows_)
        if (control->kind() == Kind::Label)
            SetWindowPos(child, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32View::ControlChanged(Control& control, Property property) {
    if (&control == &form_) return MirrorWindow(property);
    if (control.kind() == Kind::Menu) {
        if (control.index() < 0 && property == Property::Visible) {
            SetMenu(window_, control.visible() ? menuBar_ : nullptr);
            MirrorWindow(Property::Size);
        }
        if (auto it = menuIds_.find(&control); it != menuIds_.end())
            EnableMenuItem(popup_, static_cast<UINT>(it->second), MF_BYCOMMAND | (control.enabled() ? MF_ENABLED : MF_GRAYED));
        return;
    }
    Mirror(control, property);
}

void Win32View::Mirror(Control& control, Property property) {
    const auto it = windows_.find(&control);
    if (it == windows_.end()) return;
    HWND child = it->second;
    mirroring_ = true;
    if (property == Property::Visible && control.kind() != Kind::PictureBox)
        ShowWindow(child, control.visible() ? SW_SHOWNA : SW_HIDE);
    if (property == Property::Enabled) EnableWindow(child, control.enabled());
    switch (control.kind()) {
        case Kind::ComboBox: {
            auto& list = static_cast<ComboBox&>(control);
            if (property == Property::Items) {
                SendMessageW(child, CB_RESETCONTENT, 0, 0);
                for (const std::string& item : list.items())
                    SendMessageW(child, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
            }
            if (property == Property::Text || property == Property::Items) {
                SendMessageW(child, CB_SETCURSEL, static_cast<WPARAM>(list.listIndex()), 0);
                if (list.editable() && WindowText(child) != list.text()) SetWindowTextW(child, Wide(list.text()).c_str());
            }
            break;
        }
        case Kind::TextBox: {
            auto& field = static_cast<TextBox&>(control);
            if (property == Property::Text && WindowText(child) != field.text())
                SetWindowTextW(child, Wide(field.text()).c_str());
            if (property == Property::Text || property == Property::Selection)
                SendMessageW(child, EM_SETSEL, static_cast<WPARAM>(field.selStart()),
                             static_cast<LPARAM>(field.selStart() + field.selLength()));
            if (property == Property::MaxLength) SendMessageW(child, EM_LIMITTEXT, static_cast<WPARAM>(field.maxLength()), 0);
            if (property == Property::Text) Announce(control, child);  // Text6's label follows the format
            break;
        }
        case Kind::CheckBox:
            if (property == Property::Value) {
                const int v = static_cast<CheckBox&>(control).value();
                SendMessageW(child, BM_SETCHECK, v == 1 ? BST_CHECKED : v == 2 ? BST_INDETERMINATE : BST_UNCHECKED, 0);
            }
            [[fallthrough]];
        case Kind::Label:
        case Kind::CommandButton:
            if (property == Property::Text) SetWindowTextW(child, Wide(control.caption()).c_str());
            break;
        default: break;
    }
    mirroring_ = false;
}

void Win32View::MirrorWindow(Property property) {
    if (property == Property::Text) SetWindowTextW(window_, Wide(form_.caption()).c_str());
    if (property == Property::Visible) {
        if (form_.visible()) {
            ShowWindow(window_, SW_SHOW);
            ::SetForegroundWindow(window_);
        } else {
            ShowWindow(window_, SW_HIDE);
        }
    }
    if (property == Property::Size) {
        // The height holds the menu bar while it shows, as the client area does on Linux.
        const bool menu = GetMenu(window_) != nullptr;
        RECT frame{0, 0, Px(Form1::kClientWidth), Px(form_.heightTwips()) - (menu ? GetSystemMetrics(SM_CYMENU) : 0)};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), menu, 0);
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Win32View::PopupMenu() {
    // In the foreground, so that the menu closes when the user clicks elsewhere.
    ::SetForegroundWindow(window_);
    POINT at{};
    GetCursorPos(&at);
    TrackPopupMenu(popup_, TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
    PostMessageW(window_, WM_NULL, 0, 0);
}

LRESULT CALLBACK Win32View::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    Win32View* view = ViewOf(window);
    return view ? view->Handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT CALLBACK Win32View::PicIconProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    // The tray icon's callback: WM_MOUSEMOVE with the mouse message in lParam.
    if (message == WM_MOUSEMOVE) {
        if (Win32View* view = ViewOf(window); view && view->tray_) view->tray_(static_cast<int>(LOWORD(l)));
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

LRESULT CALLBACK Win32View::FieldProc(HWND field, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR view) {
    const LRESULT result = DefSubclassProc(field, message, w, l);
    if (message == WM_KEYUP) reinterpret_cast<Win32View*>(view)->FieldEvent(field, true);
    // The edit (and the dialog manager) select on focus themselves: ours runs after them.
    if (message == WM_SETFOCUS) PostMessageW(GetParent(field), kFieldFocused, reinterpret_cast<WPARAM>(field), 0);
    return result;
}

LRESULT Win32View::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND: Command(LOWORD(w), HIWORD(w)); return 0;
        case WM_TIMER:
            if (tick_) tick_();
            return 0;
        case WM_CLOSE: hooks_.closeRequested(); return 0;  // does not come back: the process ends
        case WM_SHOWWINDOW:
            // The first showing stands for the first activation, as on Linux.
            if (w && !activated_) {
                activated_ = true;
                PostMessageW(window_, kActivated, 0, 0);
            }
            break;
        case kActivated: hooks_.activated(); return 0;
        case kFieldFocused: FieldEvent(reinterpret_cast<HWND>(w), false); return 0;
        case WM_DPICHANGED:  // any program may send it, with any lParam
            if (l) Rescale(HIWORD(w), *reinterpret_cast<const RECT*>(l));
            return 0;
        default:
            if (message == taskbarCreatedMessage_ && taskbarCreated_) taskbarCreated_();
            if (message == showPanelMessage_ && hooks_.shownElsewhere) hooks_.shownElsewhere();
    }
    return DefWindowProcW(window_, message, w, l);
}

void Win32View::Command(int id, int code) {
    const auto it = controlOf_.find(id);
    if (it == controlOf_.end() || mirroring_) return;  // Enter and Escape from the dialog manager, among others
    Control& control = *it->second;
    HWND child = windows_.count(&control) ? windows_[&control] : nullptr;
    switch (control.kind()) {
        case Kind::Menu:
            Run([entry = static_cast<MenuEntry*>(&control)] {
                if (entry->onClick) entry->onClick();
            });
            break;
        case Kind::ComboBox: {
            auto& list = static_cast<ComboBox&>(control);
            if (code == CBN_SELCHANGE) {
                const int index = static_cast<int>(SendMessageW(child, CB_GETCURSEL, 0, 0));
                if (index >= 0) Run([&list, index] { list.pick(index); });
            }
            if (code == CBN_EDITCHANGE) list.typeText(WindowText(child));
            break;
        }
        case Kind::TextBox:
            if (code == EN_CHANGE) {
                DWORD start = 0, end = 0;
                SendMessageW(child, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
                static_cast<TextBox&>(control).typeText(WindowText(child), static_cast<int>(end));
            }
            break;
        case Kind::CheckBox:
            if (code == BN_CLICKED)
                Run([&check = static_cast<CheckBox&>(control)] { check.setValue(check.value() == 1 ? 0 : 1); });
            break;
        case Kind::CommandButton:
            if (code == BN_CLICKED) Run([&command = static_cast<CommandButton&>(control)] { command.click(); });
            break;
        default: break;
    }
}

// Only the text fields are watched: Text1(0..3), Text5 and Text6.
void Win32View::FieldEvent(HWND field, bool keyUp) {
    const auto it = controlOf_.find(GetDlgCtrlID(field));
    if (it == controlOf_.end()) return;
    Run([this, name = it->second->name(), index = it->second->index(), keyUp] {
        if (name == "Text1") keyUp ? form_.Text1_KeyUp(index) : form_.Text1_GotFocus(index);
        if (name == "Text5") keyUp ? form_.Text5_KeyUp() : form_.Text5_GotFocus();
        if (name == "Text6") keyUp ? form_.Text6_KeyUp() : form_.Text6_GotFocus();
    });
}

}  // namespace dudo
