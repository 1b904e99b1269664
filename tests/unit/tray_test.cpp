#include <gtest/gtest.h>

#include <cstring>

#include "common/error.h"
#include "platform/null/null_platform.h"
#include "tray/notify_icon.h"

using namespace dudo;

namespace {
std::uint32_t At32(const IconRecord& r, int at) {
    std::uint32_t v;
    std::memcpy(&v, r.data() + at, 4);
    return v;
}
}  // namespace

TEST(IconRecord, LaidOutByteForByte) {
    NullPlatform platform;
    MyNotifyIconEx icon(platform);
    icon.SetIconData(0x1234, 0x99, 0, "dudo", "程式縮小於此", "dudo進階版", 1, 3000);
    const IconRecord& r = icon.record(0);
    EXPECT_EQ(At32(r, 0), 488u);
    EXPECT_EQ(At32(r, 4), 0x1234u);
    EXPECT_EQ(At32(r, 8), 0u);
    EXPECT_EQ(At32(r, 12), 0x17u);
    EXPECT_EQ(At32(r, 16), 0x200u);
    EXPECT_EQ(At32(r, 20), 0x99u);
    EXPECT_EQ(std::memcmp(r.data() + 24, "dudo\0", 5), 0);
    for (int i = 29; i < 152; ++i) ASSERT_EQ(r[i], ' ') << i;
    EXPECT_EQ(At32(r, 152), 0u);
    EXPECT_EQ(At32(r, 156), 0u);
    // "程式縮小於此" in Big5: six two-byte characters, then NUL and blanks.
    const unsigned char big5[] = {0xB5, 0x7B, 0xA6, 0xA1, 0xC1, 0x59, 0xA4, 0x70, 0xA9, 0xF3, 0xA6, 0xB9};
    EXPECT_EQ(std::memcmp(r.data() + 160, big5, 12), 0);
    EXPECT_EQ(r[172], 0);
    EXPECT_EQ(r[415], ' ');
    EXPECT_EQ(At32(r, 416), 3000u);
    EXPECT_EQ(std::memcmp(r.data() + 420, "dudo", 4), 0);
    EXPECT_EQ(r[420 + 4 + 6], 0);  // "進階版" is six bytes
    EXPECT_EQ(r[483], ' ');
    EXPECT_EQ(At32(r, 484), 1u);
}

TEST(IconRecord, DecodesBackToTheTexts) {
    NullPlatform platform;
    MyNotifyIconEx icon(platform);
    icon.SetIconData(1, 1, 0, "dudo", "~^_^~", "dudo進階版", 1, 1);
    const IconRequest q = DecodeIconRecord(icon.record(0));
    EXPECT_EQ(q.tip, "dudo");
    EXPECT_EQ(q.info, "~^_^~");
    EXPECT_EQ(q.infoTitle, "dudo進階版");
    EXPECT_EQ(q.timeoutMs, 1u);
}

TEST(IconRecord, LongTextsAreCutToFitWithTheirNul) {
    NullPlatform platform;
    MyNotifyIconEx icon(platform);
    std::string title;
    for (int i = 0; i < 40; ++i) title += "版";  // 80 bytes in Big5
    icon.SetIconData(1, 1, 0, std::string(300, 'x'), "", title, 0, 0);
    const IconRecord& r = icon.record(0);
    EXPECT_EQ(r[24 + 127], 0);
    const IconRequest q = DecodeIconRecord(r);
    EXPECT_EQ(q.tip, std::string(127, 'x'));
    EXPECT_EQ(q.infoTitle.size(), 31u * 3);  // 31 whole characters, no half one
}

TEST(IconRecord, EveryFillRewritesEveryFieldAndOnlyIndexZeroExists) {
    NullPlatform platform;
    MyNotifyIconEx icon(platform);
    icon.SetIconData(1, 1, 0, "long tip text", "balloon", "title", 1, 3000);
    icon.SetIconData(1, 1, 0, "dudo", "", "", 0, 0);
    const IconRequest q = DecodeIconRecord(icon.record(0));
    EXPECT_EQ(q.tip, "dudo");
    EXPECT_EQ(q.info, "");
    EXPECT_EQ(icon.record(0)[24 + 5], ' ');
    EXPECT_THROW(icon.SetIconData(1, 1, 1, "x", "", "", 0, 0), Error);
    EXPECT_THROW(icon.AddIcon(1), Error);
    EXPECT_TRUE(platform.trayRequests.empty());
    icon.ModifyIcon(0);
    ASSERT_EQ(platform.trayRequests.size(), 1u);
    EXPECT_EQ(platform.trayRequests[0].message, NotifyMessage::Modify);
}
