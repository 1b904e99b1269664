// Outputs at whole and fractional scales: where they lie in the screen's
// pixels, what is asked of each, and how their pixels reach a picture.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/linux/output_layout.h"

using namespace dudo;

namespace {

std::tuple<int, int, int, int> Edges(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

// Scales 1.5 and 1.25 of 1920 x 1080, 1.5 of 1280 x 800 (a logical size
// the compositor rounds), 2, and 1.
const OutputGeometry kAt150{{0, 0, 1280, 720}, {1920, 1080}};
const OutputGeometry kAt125{{0, 0, 1536, 864}, {1920, 1080}};
const OutputGeometry kRounded150{{0, 0, 853, 533}, {1280, 800}};
const OutputGeometry kAt200{{0, 0, 640, 400}, {1280, 800}};
const OutputGeometry kAt100{{0, 0, 1280, 800}, {1280, 800}};

TEST(OutputLayout, PlacesInTheScreensPixels) {
    const struct {
        OutputGeometry screen;
        Rect logical, pixels;
    } cases[] = {
        {kAt150, kAt150.logical, {0, 0, 1920, 1080}},           // the screen itself, exactly
        {kAt125, kAt125.logical, {0, 0, 1920, 1080}},
        {kRounded150, kRounded150.logical, {0, 0, 1280, 800}},  // its rounding does not shorten it
        {kAt150, {1280, 0, 2560, 720}, {1920, 0, 3840, 1080}},  // a neighbour on the right
        {kAt125, {-1024, 0, 0, 768}, {-1280, 0, 0, 960}},       // and on the left
        {kRounded150, {853, 0, 1653, 600}, {1280, 0, 2480, 900}},
        {kAt200, {640, 100, 1040, 400}, {1280, 200, 2080, 800}},
        {{{100, 50, 1380, 850}, {1280, 800}}, {0, 0, 100, 50}, {-100, -50, 0, 0}},  // an origin away from the layout's
    };
    for (const auto& c : cases) EXPECT_EQ(Edges(ToScreenPixels(c.logical, c.screen)), Edges(c.pixels)) << c.logical.left;
}

TEST(OutputLayout, RegionsWhereTheyStartOnPixelsAndWholeOutputsElse) {
    const OutputGeometry besideAt2{{1280, 0, 1680, 300}, {800, 600}}, besideAt150{{1280, 0, 1813, 400}, {800, 600}};
    const struct {
        OutputGeometry output, screen;
        Rect part, region, shows;
    } cases[] = {
        {kAt100, kAt100, {500, 200, 700, 400}, {500, 200, 700, 400}, {500, 200, 700, 400}},
        {kAt200, kAt200, {3, 5, 7, 9}, {1, 2, 4, 5}, {2, 4, 8, 10}},  // widened to whole logical units
        {besideAt2, kAt100, {1300, 10, 1400, 110}, {20, 10, 120, 110}, {1300, 10, 1400, 110}},
        {kAt150, kAt150, {500, 200, 700, 400}, {0, 0, 1280, 720}, {0, 0, 1920, 1080}},
        {kAt125, kAt125, {0, 0, 1920, 1080}, {0, 0, 1536, 864}, {0, 0, 1920, 1080}},
        {besideAt150, kAt100, {1300, 10, 1400, 110}, {0, 0, 533, 400}, {1280, 0, 1813, 400}},
        {kAt100, kAt150, {0, 0, 10, 10}, {0, 0, 1280, 800}, {0, 0, 1920, 1200}},  // beside a fractional screen
    };
    for (const auto& c : cases) {
        const OutputRequest request = RequestFor(c.output, c.screen, c.part);
        EXPECT_EQ(Edges(request.region), Edges(c.region)) << c.part.left;
        EXPECT_EQ(Edges(request.shows), Edges(c.shows)) << c.part.left;
    }
}

// The source's pixel at (x, y): its place, so that any offset shows.
std::uint32_t At(int x, int y) { return static_cast<std::uint32_t>(y << 12 | x); }

TEST(OutputLayout, ResampledPixels) {
    std::vector<std::uint32_t> source(1920 * 1080);
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x) source[y * 1920 + x] = At(x, y);
    const PixelSource own{reinterpret_cast<const std::uint8_t*>(source.data()), 1920, 1080, 1920 * 4, false, false};
    const struct {
        PixelSource from;
        Rect shows;
        int x, y;  // the surface's place on the screen
        std::uint32_t (*expected)(int sx, int sy);  // of a screen pixel
    } cases[] = {
        // An output at 1.5 taken whole: a range of it comes pixel for pixel.
        {own, {0, 0, 1920, 1080}, 500, 200, [](int sx, int sy) { return At(sx, sy); }},
        // Shown on a screen of half its density: the middle of each pair.
        {own, {0, 0, 960, 540}, 100, 100, [](int sx, int sy) { return At(2 * sx + 1, 2 * sy + 1); }},
        // Lying right of the screen, its rows upside down.
        {{own.data, 1920, 1080, 1920 * 4, false, true}, {1920, 0, 3840, 1080}, 1900, 0, [](int sx, int sy) { return sx < 1920 ? 0u : At(sx - 1920, 1079 - sy); }},
        {{own.data, 1920, 1080, 1920 * 4, true, false}, {0, 0, 1920, 1080}, 0, 0, [](int sx, int sy) {
             const std::uint32_t p = At(sx, sy);
             return (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF);
         }},
    };
    for (const auto& c : cases) {
        Picture surface = Picture::Filled(200, 100, 0xFF000000u);
        Resample(c.from, c.shows, AreaOnScreen(c.x, c.y, surface, c.shows), c.x, c.y, surface);
        int wrong = 0;
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x) wrong += (surface.at(x, y) & 0xFFFFFF) != (c.expected(c.x + x, c.y + y) & 0xFFFFFF);
        EXPECT_EQ(wrong, 0) << "at " << c.x << "," << c.y;
    }
}

}  // namespace
