// The 488-byte notification-icon record, byte for byte, and its texts.
#include <gtest/gtest.h>

#include <cstring>

#include "common/error.h"
#include "platform/null/null_platform.h"
#include "tray/notify_icon.h"

using namespace dudo;

namespace {

struct TrayRecord : ::testing::Test {
    NullPlatform platform;
    MyNotifyIconEx icon{platform};
};

}  // namespace

TEST_F(TrayRecord, LaidOutByteForByte) {
    icon.SetIconData(0x1234, 0x99, 0, "dudo", "程式縮小於此", "dudo進階版", 1, 3000);
    const auto& r = icon.record(0);
    // Size, window, id, flags, callback message, icon; time-out and info flags.
    const std::pair<int, std::uint32_t> words[] = {{0, 488},  {4, 0x1234}, {8, 0},   {12, 0x17},  {16, 0x200},
                                                   {20, 0x99}, {152, 0},   {156, 0}, {416, 3000}, {484, 1}};
    for (auto [at, value] : words) {
        std::uint32_t v;
        std::memcpy(&v, r.data() + at, 4);
        EXPECT_EQ(v, value) << at;
    }
    // Texts: NUL-ended, then blanks; "程式縮小於此" in Big5 is six two-byte characters.
    const unsigned char big5[] = {0xB5, 0x7B, 0xA6, 0xA1, 0xC1, 0x59, 0xA4, 0x70, 0xA9, 0xF3, 0xA6, 0xB9, 0};
    EXPECT_EQ(std::memcmp(r.data() + 24, "dudo\0", 5), 0);
    EXPECT_EQ(std::memcmp(r.data() + 160, big5, sizeof big5), 0);
    EXPECT_EQ(std::memcmp(r.data() + 420, "dudo", 4), 0);
    for (int at : {29, 151, 415, 483}) EXPECT_EQ(r[at], ' ') << at;
    EXPECT_EQ(r[420 + 4 + 6], 0);  // "進階版" is six bytes
}

TEST_F(TrayRecord, TextsDecodeBackAndLongOnesAreCutWithTheirNul) {
    std::string title;
    for (int i = 0; i < 40; ++i) title += "版";  // 80 bytes in Big5
    icon.SetIconData(1, 1, 0, std::string(300, 'x'), "~^_^~", title, 1, 1);
    IconRequest q = DecodeIconRecord(icon.record(0));
    EXPECT_EQ(icon.record(0)[24 + 127], 0);
    EXPECT_EQ(q.tip, std::string(127, 'x'));
    EXPECT_EQ(q.info, "~^_^~");
    EXPECT_EQ(q.infoTitle.size(), 31u * 3);  // 31 whole characters, no half one
    EXPECT_EQ(q.timeoutMs, 1u);
    icon.SetIconData(1, 1, 0, "dudo", "", "", 0, 0);  // every fill rewrites every field
    q = DecodeIconRecord(icon.record(0));
    EXPECT_EQ(q.tip, "dudo");
    EXPECT_EQ(q.info, "");
    EXPECT_EQ(icon.record(0)[24 + 5], ' ');
}

TEST_F(TrayRecord, OnlyIndexZeroExists) {
    EXPECT_THROW(icon.SetIconData(1, 1, 1, "x", "", "", 0, 0), Error);
    EXPECT_THROW(icon.AddIcon(1), Error);
    EXPECT_TRUE(platform.trayRequests.empty());
    icon.ModifyIcon(0);
    ASSERT_EQ(platform.trayRequests.size(), 1u);
    EXPECT_EQ(platform.trayRequests[0].message, NotifyMessage::Modify);
}
