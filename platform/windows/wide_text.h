// UTF-8, the core's text, to and from the UTF-16 of the wide entry points.
#pragma once
#include "platform/windows/windows_api.h"

#include <string>

namespace dudo {

inline std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

inline std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

inline std::string WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

// Copies `text` into a fixed wide field of a shell structure, cut to fit with its NUL.
template <std::size_t N> void CopyWide(wchar_t (&field)[N], const std::string& text) {
    const std::wstring wide = Wide(text);
    const std::size_t n = std::min(wide.size(), N - 1);
    wide.copy(field, n);
    field[n] = L'\0';
}

}  // namespace dudo
