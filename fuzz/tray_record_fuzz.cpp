// The tray record's text fields from any bytes (not always UTF-8), and any
// 488 bytes read back as a record.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fields.h"
#include "platform/null/null_platform.h"
#include "tray/notify_icon.h"

using dudo::fuzz::Field;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 488) {
        dudo::IconRecord raw;
        std::memcpy(raw.data(), data, raw.size());
        (void)dudo::DecodeIconRecord(raw);
    }
    static dudo::NullPlatform platform;
    platform.trayRequests.clear();
    dudo::MyNotifyIconEx icon(platform);
    const std::string tip = Field(data, size), info = Field(data, size), title = Field(data, size);
    icon.SetIconData(1, 2, 0, tip, info, title, 1, 5000);
    const dudo::IconRequest back = dudo::DecodeIconRecord(icon.record(0));
    // Each text fits its field with its NUL.
    if (dudo::ToBig5(back.tip).size() >= dudo::record::kTipBytes ||
        dudo::ToBig5(back.info).size() >= dudo::record::kInfoBytes ||
        dudo::ToBig5(back.infoTitle).size() >= dudo::record::kTitleBytes)
        std::abort();
    (void)dudo::FromBig5(tip);
    return 0;
}
