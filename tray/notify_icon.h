// MyNotifyIconEx: the one notification-icon record, kept byte for byte as
// the 488-byte ANSI record (Big5 texts: the text, one NUL, blanks to the
// field's end), and the add, modify and delete requests made with it.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "common/big5.h"
#include "platform/platform.h"

namespace dudo {

using IconRecord = std::array<std::uint8_t, 488>;

namespace record {
constexpr int kSize = 0, kWnd = 4, kId = 8, kFlags = 12, kCallback = 16, kIcon = 20, kTip = 24, kState = 152,
              kStateMask = 156, kInfo = 160, kTimeout = 416, kInfoTitle = 420, kInfoFlags = 484;
constexpr int kTipBytes = 128, kInfoBytes = 256, kTitleBytes = 64;
}  // namespace record

// The record's contents read back, texts in UTF-8: what a backend shows.
struct IconRequest {
    std::uint32_t window = 0, id = 0, flags = 0, callbackMessage = 0, icon = 0, timeoutMs = 0, infoFlags = 0;
    std::string tip, info, infoTitle;
};
IconRequest DecodeIconRecord(const IconRecord& bytes);


class MyNotifyIconEx {
public:
    explicit MyNotifyIconEx(Platform& platform) : platform_(platform) { IconData.fill(0); }

    void SetIconData(std::uint32_t hWnd, std::uint32_t hIcon, int index, const std::string& tip,
                     const std::string& info, const std::string& infoTitle, std::int32_t infoFlags,
                     std::int32_t timeoutMs);
    bool AddIcon(int index) { return Send(NotifyMessage::Add, index); }
    bool ModifyIcon(int index) { return Send(NotifyMessage::Modify, index); }
    bool DeleteIcon(int index) { return Send(NotifyMessage::Delete, index); }

    const IconRecord& record(int index) const;

private:
    bool Send(NotifyMessage message, int index);

    Platform& platform_;
    IconRecord IconData;  // the table's one record, index 0
};

}  // namespace dudo
