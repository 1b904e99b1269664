#include "platform/windows/windows_platform.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "common/utf8.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_screen.h"

namespace dudo {

namespace {

// Said once, with the first icon, where Windows itself opens its screen
// snipping on Print Screen (the default of Windows 11): both react to every press.
const char* const kSnippingOnPrintScreen =
    "Windows 的「使用 Print Screen 鍵開啟螢幕擷取」已開啟，每按一次 Print Screen 也會開啟剪取工具。"
    "可在「設定 › 協助工具 › 鍵盤」關閉它。"
    " (The snipping of Windows also reacts to Print Screen: turn it off in Settings › Accessibility › Keyboard.)";

bool PrintScreenOpensSnipping() {
    DWORD value = 0, size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Keyboard", L"PrintScreenKeyForSnippingEnabled", RRF_RT_REG_DWORD,
                        nullptr, &value, &size) == ERROR_SUCCESS && value == 1;
}

}  // namespace

WindowsPlatform::WindowsPlatform() : twipsPerPixel_(1440.0 / win32::PixelsPerInch()) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for the accessibility properties
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    trayPicture_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"DUDO", IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

WindowsPlatform::~WindowsPlatform() {
    if (instanceMutex_) CloseHandle(instanceMutex_);
}

std::uint16_t WindowsPlatform::AsyncKeyState(int virtualKey) { return static_cast<std::uint16_t>(GetAsyncKeyState(virtualKey)); }

// The keyboard settings of the control panel: a delay of 0 to 3 (250 ms
// steps from 250 ms), a speed of 0 to 31 (about 2.5 to 30 a second).
std::optional<KeyRepeat> WindowsPlatform::KeyboardRepeat() {
    int delay = 1;
    DWORD speed = 31;
    SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    SystemParametersInfoW(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
    delay = std::clamp(delay, 0, 3);
    speed = std::min<DWORD>(speed, 31);
    return KeyRepeat{(delay + 1) * 250.0, 1000.0 / (2.5 + speed * 27.5 / 31)};
}

Point WindowsPlatform::CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
}

Size WindowsPlatform::ScreenSize() { return win32::ScreenSize(); }
std::vector<Rect> WindowsPlatform::Monitors() { return win32::Monitors(); }
std::optional<Rect> WindowsPlatform::ForegroundWindowRect() { return win32::ForegroundWindowRect(); }
void WindowsPlatform::CopyScreen(int x, int y, Picture& surface, bool) { win32::CopyScreen(x, y, surface); }
std::optional<CursorImage> WindowsPlatform::Cursor() { return win32::Cursor(); }

void WindowsPlatform::ProcessPendingMessages() {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
        if (message.message == WM_QUIT) EndProcess();
        if (view_ && view_->DialogMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void WindowsPlatform::ShowView(Form1& form, ViewHooks hooks) {
    view_ = std::make_unique<Win32View>(
        form, std::move(hooks), twipsPerPixel_,
        [this](int eventNumber) {
            if (trayReceiver_) trayReceiver_(eventNumber);
        },
        [this] { ReAddIcon(); });
}

void WindowsPlatform::MessageBox(const std::string& title, const std::string& text) {
    HWND owner = view_ && IsWindowVisible(view_->window()) ? view_->window() : nullptr;
    ::MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), MB_OK);
}

void WindowsPlatform::PopupMenu(Form1&) {
    if (view_) view_->PopupMenu();
}

void WindowsPlatform::SetForegroundWindow(Form1&) {
    if (!view_) return;
    if (IsIconic(view_->window())) ShowWindow(view_->window(), SW_RESTORE);
    ::SetForegroundWindow(view_->window());
}

void WindowsPlatform::MinimizeWindow(Form1&) {
    if (view_) ShowWindow(view_->window(), SW_MINIMIZE);
}

void WindowsPlatform::StartTimer(int intervalMs, std::function<void()> tick) {
    if (!view_) return;
    // Windows raises intervals below its own minimum (10 ms) to it.
    view_->OnTimer(std::move(tick));
    SetTimer(view_->window(), 1, static_cast<UINT>(intervalMs), nullptr);
}

int WindowsPlatform::Run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (view_ && view_->DialogMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void WindowsPlatform::EndProcess() {
    std::fflush(nullptr);
    ExitProcess(0);
}

bool WindowsPlatform::Shell(DWORD message, const IconRequest& request) {
    if (!view_) return false;
    // Full size: a 64-bit shell reads the record's own 488-byte size as the
    // oldest layout and drops the balloon.
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = view_->picIconWindow();
    data.uID = request.id;
    data.uFlags = request.flags;
    data.uCallbackMessage = request.callbackMessage;
    data.hIcon = trayPicture_;
    CopyWide(data.szTip, request.tip);
    CopyWide(data.szInfo, request.info);
    CopyWide(data.szInfoTitle, request.infoTitle);
    data.uTimeout = request.timeoutMs;
    data.dwInfoFlags = request.infoFlags;
    return Shell_NotifyIconW(message, &data);
}

bool WindowsPlatform::NotifyIcon(NotifyMessage message, const std::array<std::uint8_t, 488>& record) {
    const IconRequest request = DecodeIconRecord(record);
    if (request.window == 0) return false;  // an empty record names no icon
    const DWORD shellMessage = message == NotifyMessage::Add ? NIM_ADD : message == NotifyMessage::Modify ? NIM_MODIFY : NIM_DELETE;
    const bool done = Shell(shellMessage, request);
    if (done) shownIcon_ = message == NotifyMessage::Delete ? std::nullopt : std::optional(request);
    if (done && message == NotifyMessage::Add && PrintScreenOpensSnipping()) {
        std::fprintf(stderr, "dudo: %s\n", kSnippingOnPrintScreen);
        IconRequest notice = request;
        notice.flags |= NIF_INFO;
        notice.info = kSnippingOnPrintScreen;
        notice.infoTitle = "dudo進階版";
        notice.timeoutMs = 10000;
        Shell(NIM_MODIFY, notice);
    }
    return done;
}

// Explorer started again: the icon is gone with the old taskbar.
void WindowsPlatform::ReAddIcon() {
    if (!shownIcon_) return;
    IconRequest quiet = *shownIcon_;
    quiet.info.clear();  // no balloon a second time
    if (!Shell(NIM_ADD, quiet)) Shell(NIM_MODIFY, quiet);
}

void WindowsPlatform::ShowRunningInstance() {
    if (HWND running = Win32View::Find()) {
        DWORD process = 0;
        GetWindowThreadProcessId(running, &process);
        if (process) AllowSetForegroundWindow(process);  // the running panel, and no other program, may come to the front
        PostMessageW(running, Win32View::ShowPanelMessage(), 0, 0);
    }
}

bool WindowsPlatform::AcquireSingleInstance() {
    // Per session, as the desktop is; the handle goes with the process however it ends.
    instanceMutex_ = CreateMutexW(nullptr, FALSE, L"Local\\dudo-single-instance");
    return !(instanceMutex_ && GetLastError() == ERROR_ALREADY_EXISTS);
}

std::string WindowsPlatform::ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return Utf8FromPath(std::filesystem::current_path());
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Utf8FromPath(std::filesystem::path(path).parent_path());
}

LocalTime WindowsPlatform::Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

double WindowsPlatform::SecondsSinceMidnight() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return t.wHour * 3600 + t.wMinute * 60 + t.wSecond + t.wMilliseconds / 1000.0;
}

}  // namespace dudo
