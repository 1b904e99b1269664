#include <gtest/gtest.h>

#include "panel/layout.h"
#include "tests/e2e/desktop.h"

using namespace dudo;
using namespace dudo::e2e;

namespace {

// The panel as the screen shows it, with the window's background colour.
struct Shown : ::testing::Test {
    Desktop desktop;
    Picture panel;
    std::uint32_t background = 0;
    void SetUp() override {
        desktop.StartProgram();
        desktop.Xdotool("mousemove 900 700");
        const auto w = desktop.Window("dudo進階版");
        ASSERT_TRUE(w);
        panel = Grab(desktop.display(), w->x, w->y, w->width, w->height);
        background = panel.at(panel.width - 2, 150);  // right margin, beside no control
    }
    bool Drawn(int x, int y) const { return (panel.at(x, y) & 0xFFFFFF) != (background & 0xFFFFFF); }
    // First drawn column in row y, scanning right from x; -1 when none.
    int FirstDrawnRight(int x, int y, int limit) const {
        for (; x < limit; ++x)
            if (Drawn(x, y)) return x;
        return -1;
    }
    int FirstDrawnLeft(int x, int y) const {
        for (; x >= 0; --x)
            if (Drawn(x, y)) return x;
        return -1;
    }
    int FirstDrawnDown(int x, int y, int limit) const {
        for (; y < limit; ++y)
            if (Drawn(x, y)) return y;
        return -1;
    }
    static const ControlDesign& Design(const char* name, int index = -1) {
        for (const ControlDesign& d : DesignedLayout())
            if (std::string(d.name) == name && d.index == index) return d;
        throw std::runtime_error(name);
    }
};

int Px(int twips) { return twips / 15; }

}  // namespace

TEST_F(Shown, ListsAndButtonsStandWhereTheLayoutPutsThem) {
    for (const char* name : {"Combo1", "Combo2", "Combo3", "Combo5", "Combo4", "Combo6"}) {
        const Geometry g = Design(name).geometry;
        const int midY = Px(g.top + g.height / 2);
        EXPECT_NEAR(FirstDrawnRight(Px(g.left) - 4, midY, panel.width), Px(g.left), 1) << name;
        EXPECT_NEAR(FirstDrawnDown(Px(g.left + g.width / 2), Px(g.top) - 4, panel.height), Px(g.top), 1) << name;
    }
    for (const char* name : {"Command1", "Command2", "Command4"}) {
        const Geometry g = Design(name).geometry;
        EXPECT_NEAR(FirstDrawnDown(Px(g.left + g.width / 2), Px(g.top) - 4, panel.height), Px(g.top), 1) << name;
        // The two bottom buttons overlap by a pixel in the design: measure
        // the outer edge of each.
        const int midY = Px(g.top + g.height / 2);
        if (std::string(name) == "Command1")
            EXPECT_NEAR(FirstDrawnLeft(Px(g.left + g.width) + 4, midY), Px(g.left + g.width) - 1, 1) << name;
        else
            EXPECT_NEAR(FirstDrawnRight(Px(g.left) - 4, midY, panel.width), Px(g.left), 1) << name;
    }
}

TEST_F(Shown, HiddenControlsLeaveTheirPlaceEmpty) {
    // The range rows, the counter field and the picture boxes are hidden at start.
    for (auto [name, index] : {std::pair{"Text1", 0}, std::pair{"Text1", 3}, std::pair{"Text5", -1},
                               std::pair{"Command3", -1}, std::pair{"Picture1", -1}, std::pair{"PicIcon", -1}}) {
        const Geometry g = Design(name, index).geometry;
        for (int y = Px(g.top) + 2; y < Px(g.top + g.height) - 2; ++y)
            for (int x = Px(g.left) + 2; x < Px(g.left + g.width) - 2; ++x)
                ASSERT_FALSE(Drawn(x, y)) << name << " " << index << " at " << x << "," << y;
    }
}

TEST_F(Shown, CaptionsAreDrawnInTheirRows) {
    // Every visible label's row holds ink where its caption starts.
    for (int index : {0, 1, 2, 6, 8, 9, 10}) {
        const Geometry g = Design("Label1", index).geometry;
        bool ink = false;
        for (int y = Px(g.top); y < Px(g.top + g.height) && !ink; ++y)
            ink = FirstDrawnRight(Px(g.left), y, Px(g.left) + 20) >= 0;
        EXPECT_TRUE(ink) << index;
    }
}
