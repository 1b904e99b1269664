// A screen copy that fails (the secure desktop of a permission prompt, the
// lock screen, a locked session) is told; the surface's earlier pixels are
// never passed on as a new picture. The working copy is played by the
// desktop scenarios under Wine.
#include <gtest/gtest.h>

#include "common/error.h"
#include "platform/windows/win32_screen.h"

using namespace dudo;

TEST(Win32Screen, AFailedCopyIsToldNotSavedAsTheEarlierPicture) {
    Picture surface = Picture::Filled(64, 48, 0xFF123456u);  // what the last capture left in the recycled frame
    EXPECT_THROW(win32::CopyScreenFrom(nullptr, 0, 0, surface), Error);
}
