#include "tray/notify_icon.h"

#include <cstring>

#include "common/error.h"

namespace dudo {

namespace {

void Put32(IconRecord& r, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t Get32(const IconRecord& r, int at) {
    return r[at] | (r[at + 1] << 8) | (r[at + 2] << 16) | (static_cast<std::uint32_t>(r[at + 3]) << 24);
}

// The text, one NUL, blanks to the end; cut so that text and NUL fit, never
// in the middle of a two-byte character.
void PutText(IconRecord& r, int at, int width, const std::string& utf8) {
    std::string bytes = ToBig5(utf8);
    std::size_t keep = 0;
    while (keep < bytes.size()) {
        const std::size_t step = static_cast<unsigned char>(bytes[keep]) >= 0x81 ? 2 : 1;
        if (keep + step > static_cast<std::size_t>(width - 1)) break;
        keep += step;
    }
    bytes.resize(keep);
    std::memset(r.data() + at, ' ', width);
    std::memcpy(r.data() + at, bytes.data(), bytes.size());
    r[at + bytes.size()] = 0;
}

std::string GetText(const IconRecord& r, int at, int width) {
    const char* start = reinterpret_cast<const char*>(r.data() + at);
    return FromBig5(std::string(start, strnlen(start, width)));
}

}  // namespace

IconRequest DecodeIconRecord(const IconRecord& r) {
    using namespace record;
    IconRequest q;
    q.window = Get32(r, kWnd);
    q.id = Get32(r, kId);
    q.flags = Get32(r, kFlags);
    q.callbackMessage = Get32(r, kCallback);
    q.icon = Get32(r, kIcon);
    q.timeoutMs = Get32(r, kTimeout);
    q.infoFlags = Get32(r, kInfoFlags);
    q.tip = GetText(r, kTip, kTipBytes);
    q.info = GetText(r, kInfo, kInfoBytes);
    q.infoTitle = GetText(r, kInfoTitle, kTitleBytes);
    return q;
}

void MyNotifyIconEx::SetIconData(std::uint32_t hWnd, std::uint32_t hIcon, int index, const std::string& tip,
                                 const std::string& info, const std::string& infoTitle, std::int32_t infoFlags,
                                 std::int32_t timeoutMs) {
    using namespace record;
    if (index != 0) throw Error("圖示索引超出範圍 (icon index out of range: " + std::to_string(index) + ")");
    IconRecord& r = IconData;
    Put32(r, kSize, 488);
    Put32(r, kWnd, hWnd);
    Put32(r, kId, static_cast<std::uint32_t>(index));
    Put32(r, kFlags, 0x17);  // message, icon, tip, info
    Put32(r, kCallback, 0x200);
    Put32(r, kIcon, hIcon);
    PutText(r, kTip, kTipBytes, tip);
    Put32(r, kState, 0);
    Put32(r, kStateMask, 0);
    PutText(r, kInfo, kInfoBytes, info);
    PutText(r, kInfoTitle, kTitleBytes, infoTitle);
    Put32(r, kInfoFlags, static_cast<std::uint32_t>(infoFlags));
    Put32(r, kTimeout, static_cast<std::uint32_t>(timeoutMs));
}

const IconRecord& MyNotifyIconEx::record(int index) const {
    if (index != 0) throw Error("圖示索引超出範圍 (icon index out of range: " + std::to_string(index) + ")");
    return IconData;
}

bool MyNotifyIconEx::Send(NotifyMessage message, int index) { return platform_.NotifyIcon(message, record(index)); }

}  // namespace dudo
