#include "common/big5.h"

#include <windows.h>

namespace dudo {

namespace {

constexpr UINT kBig5 = 950;

std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return {};
    // Best-fit mapping would turn a missing character into a wrong one.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* unknown = codePage == CP_UTF8 ? nullptr : "?";
    const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      unknown, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n, unknown,
                        nullptr);
    return out;
}

}  // namespace

std::string ToBig5(const std::string& utf8) { return Narrow(Widen(utf8, CP_UTF8), kBig5); }
std::string FromBig5(const std::string& big5) { return Narrow(Widen(big5, kBig5), CP_UTF8); }

}  // namespace dudo
