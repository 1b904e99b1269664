// The image library read back through independent decoders (libpng,
// libjpeg, giflib): what each setting does to the file written.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "common/error.h"
#include "imagelib/codecs.h"
#include "imagelib/image_library.h"
#include "tests/unit/test_files.h"

using namespace dudo;
using namespace dudo::test;

namespace {

struct Library : ::testing::Test {
    TempFolder folder;
    ImageLibrary library{folder.path()};
    Picture source = ScreenLike(320, 200);
    void Load(const Picture& picture) {
        library.NewImage(0, 0, 0xFFFFFF);
        library.FromPicture(picture);
    }
};

// Grey noise of a few levels, whose bands code smaller as literals than
// with matches.
Picture GreyNoise(int width, int height) {
    Picture p = Picture::Filled(width, height, 0);
    std::uint32_t seed = 7;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const std::uint32_t v = 100 + (seed >> 28);
            p.row(y)[x] = 0xFF000000u | v << 16 | v << 8 | v;
        }
    return p;
}

}  // namespace

// Large pictures go out in bands compressed apart and joined: any shape,
// colour or grey, screen or noise, at any level, must read back pixel for pixel.
TEST_F(Library, PngIsLosslessAtEveryLevelAndShape) {
    const std::tuple<int, int, int, std::vector<int>, bool> cases[] = {
        {320, 200, 0, {1, 2, 3, 4, 5, 6, 7}, false}, {1920, 1080, 0, {1, 7}, false}, {5, 250000, 0, {1, 7}, false},
        {2500, 1500, 1, {1, 7}, false},          {1200, 800, 1, {1, 7}, true}};
    for (const auto& [w, h, grey, levels, noise] : cases) {
        Load(noise ? GreyNoise(w, h) : ScreenLike(w, h));
        library.ReduceColours(0, 0, grey);
        const Picture expected = library.image().pixels;
        std::uintmax_t previous = ~std::uintmax_t{0};
        for (int level : levels) {
            library.PngCompression(level);
            const auto path = library.SaveFile(std::to_string(w) + "-" + std::to_string(level));
            const Decoded png = DecodePng(path);
            EXPECT_EQ(path.extension(), ".png");
            EXPECT_EQ(png.channels, grey ? 1 : 3);
            EXPECT_TRUE(png.picture.pixels == expected.pixels) << w << " level " << level;  // both opaque
            EXPECT_LE(levels.size() == 2 ? std::filesystem::file_size(path) : 0, previous) << "higher level, larger file";
            previous = std::filesystem::file_size(path);
        }
    }
}

// A true-colour screen of few colours is written with a palette, or as grey
// where they are all grey, and still reads back pixel for pixel: runs and
// noise, across the palette's limit, at the fastest and the smallest level.
TEST_F(Library, PngOfFewColoursTakesTheSmallestExactLayout) {
    struct Case {
        int colours;
        bool grey;
        int channels;  // as decoded
        bool palette;
    };
    const Case cases[] = {{2, false, 3, true},  {16, false, 3, true},  {200, false, 3, true},
                          {256, false, 3, true}, {257, false, 3, false}, {93, true, 1, false},
                          {256, true, 1, false}};
    for (const Case& c : cases) {
        Picture picture = Picture::Filled(1000, 300, 0);
        std::uint32_t seed = 99;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                seed = seed * 1103515245u + 12345u;
                // Every colour once, then runs of one colour and noise of several.
                const int i = y == 0 && x < c.colours ? x : (x / 40 + y / 30) % 3 ? (x / 40 + y) % c.colours
                                                                                   : static_cast<int>(seed >> 16) % c.colours;
                const std::uint32_t v = static_cast<std::uint32_t>(i * 255 / std::max(1, c.colours - 1));
                picture.row(y)[x] = 0xFF000000u | (c.grey ? v * 0x010101u : (i * 0x9E3779B1u) & 0xFFFFFF);
            }
        ASSERT_EQ(ColourCount(picture), static_cast<std::size_t>(c.colours));
        Load(picture);
        for (int level : {1, 7}) {
            library.PngCompression(level);
            const auto name = std::to_string(c.colours) + (c.grey ? "g" : "c") + std::to_string(level);
            const Decoded png = DecodePng(library.SaveFile(name));
            EXPECT_EQ(png.channels, c.channels) << name;
            EXPECT_EQ(png.palette, c.palette) << name;
            EXPECT_TRUE(png.picture.pixels == picture.pixels) << name;
        }
    }
}

TEST_F(Library, ColourCodesGiveAtMostThatManyColours) {
    for (int code : {1, 4, 8, 16, 32, 64, 128, 216, 256}) {
        Load(source);
        library.ReduceColours(code, 0, 0);
        const Decoded png = DecodePng(library.SaveFile(std::to_string(code) + "c"));
        EXPECT_TRUE(png.palette) << code;
        EXPECT_LE(ColourCount(png.picture), static_cast<std::size_t>(code == 1 ? 2 : code)) << code;
        EXPECT_GE(ColourCount(png.picture), 2u) << code;
        for (std::uint32_t p : code == 1 ? png.picture.pixels : PixelMemory{})  // black and white
            ASSERT_TRUE((p & 0xFFFFFF) == 0 || (p & 0xFFFFFF) == 0xFFFFFF);
    }
    Load(source);
    library.ReduceColours(0, 0, 0);  // zeros leave the image untouched
    EXPECT_FALSE(library.image().indexed());
    EXPECT_EQ(library.image().pixels.pixels, source.pixels);
}

TEST_F(Library, GreyscaleGivesGreyPixelsInEveryFormat) {
    for (auto [format, colours] : {std::pair{1, 0}, std::pair{2, 0}, std::pair{3, 0}, std::pair{3, 16}}) {
        Load(source);
        library.ReduceColours(colours, 0, 1);
        library.SaveFormat(format);
        const auto path = library.SaveFile(std::to_string(format) + "-" + std::to_string(colours) + "grey");
        const Decoded decoded = format == 1 ? DecodeJpeg(path) : format == 2 ? DecodeGif(path) : DecodePng(path);
        EXPECT_TRUE(AllGrey(decoded.picture)) << format;
        EXPECT_EQ(decoded.channels, format == 2 || colours ? decoded.channels : 1) << format;
        EXPECT_LE(ColourCount(decoded.picture), colours ? 16u : 1u << 24);
    }
}

TEST_F(Library, JpegFollowsQuality) {
    Load(source);
    library.SaveFormat(1);
    library.JpegQuality(30);
    const auto low = library.SaveFile("q30");
    library.JpegQuality(95);
    const auto high = library.SaveFile("q95");
    EXPECT_EQ(low.extension(), ".jpg");
    EXPECT_LT(std::filesystem::file_size(low), std::filesystem::file_size(high));
    const Decoded plain = DecodeJpeg(high);
    ASSERT_EQ(plain.picture.width, 320);
    double error = 0;  // close to the source at high quality: a few levels on average
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) error += std::abs(Green(plain.picture.at(x, y)) - Green(source.at(x, y)));
    EXPECT_LT(error / (320 * 200), 4.0);
}

TEST_F(Library, GifQuantisesInterlacesOnRequestAndKeepsAReducedPalette) {
    Load(source);
    library.SaveFormat(2);
    const auto path = library.SaveFile("plain");
    EXPECT_EQ(path.extension(), ".gif");
    const Decoded gif = DecodeGif(path);
    EXPECT_LE(ColourCount(gif.picture), 256u);
    EXPECT_FALSE(gif.interlaced);
    library.GifFlagA(true);
    library.GifFlagB(true);
    const auto interlacedPath = library.SaveFile("interlaced");
    const Decoded interlaced = DecodeGif(interlacedPath);
    EXPECT_EQ(FileContents(interlacedPath).substr(0, 6), "GIF89a");
    EXPECT_TRUE(interlaced.interlaced);
    // The flat title bar and side panel survive quantising exactly, in the right rows.
    EXPECT_EQ(interlaced.picture.at(300, 3) & 0xFFFFFF, source.at(300, 3) & 0xFFFFFF);
    EXPECT_EQ(interlaced.picture.at(10, 100) & 0xFFFFFF, source.at(10, 100) & 0xFFFFFF);
    library.ReduceColours(8, 0, 0);
    const Decoded eight = DecodeGif(library.SaveFile("eight"));
    EXPECT_LE(ColourCount(eight.picture), 8u);
    EXPECT_EQ(eight.picture.at(5, 5), library.image().pixels.at(5, 5) | 0xFF000000u);
}

TEST_F(Library, BmpRoundTripsAndDamagedFilesAreRefused) {
    Load(source);
    library.SaveFormat(4);
    const auto path = library.SaveFile("round");
    EXPECT_EQ(path.extension(), ".bmp");
    ImageLibrary other(folder.path());
    other.LoadFile(path.string());
    EXPECT_TRUE(other.image().pixels.pixels == source.pixels);
    EXPECT_THROW(other.LoadFile("/nonexistent/initialize.bmp"), Error);
    const Bytes good = EncodeBmp(library.image());
    const std::vector<std::pair<std::size_t, std::uint8_t>> damage[] = {
        {{18, 0xFF}, {19, 0xFF}, {20, 0xFF}, {21, 0x7F}},  // width far beyond the file and the budget
        {{28, 13}}};                                       // no such bit depth
    for (const auto& changes : damage) {
        Bytes bad = good;
        for (auto [at, value] : changes) bad[at] = value;
        EXPECT_THROW(DecodeBmp(bad), Error);
    }
    EXPECT_THROW(DecodeBmp(Bytes(good.begin(), good.end() - 10)), Error);
    EXPECT_THROW(DecodeBmp(Bytes{'B', 'M', 0}), Error);
}

TEST_F(Library, ResizeGivesTheAskedSizeAndKeepsFlatAndReducedColours) {
    Load(ScreenLike(1366, 768));  // enlarging: the capture's scale arithmetic
    library.Resize(427, 240);
    EXPECT_EQ(std::pair(library.ImageWidth(), library.ImageHeight()), std::pair(427, 240));
    EXPECT_EQ(library.image().pixels.at(200, 2) & 0xFFFFFF, 0x0078D7u);  // the flat title bar
    Load(source);
    library.ReduceColours(4, 0, 0);
    library.Resize(500, 300);
    EXPECT_LE(ColourCount(library.image().pixels), 4u);
    EXPECT_TRUE(library.image().indexed());
}

TEST_F(Library, EmptyOversizedAndOutOfRangeAreRefusedAndChangeNothing) {
    Load(source);
    for (auto [w, h] : {std::pair{0, 0}, std::pair{100000, 100000}, std::pair{-5, 10}}) EXPECT_THROW(library.Resize(w, h), Error);
    EXPECT_EQ(library.ImageWidth(), 320);
    for (const auto& bad : std::initializer_list<std::function<void()>>{
             [&] { library.SaveFormat(5); }, [&] { library.PngCompression(0); }, [&] { library.JpegQuality(101); }})
        EXPECT_THROW(bad(), Error);
    EXPECT_EQ(library.settings().format, FileFormat::Png);
    Load(Picture{});
    library.ReduceColours(16, 0, 1);
    for (int format : {1, 2, 3, 4}) EXPECT_THROW((library.SaveFormat(format), library.SaveFile("empty")), Error);
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Library, AHandedOverPictureIsTakenOpaqueAndLeftEmpty) {
    for (std::uint32_t alpha : {0xFFu, 0x00u, 0x80u}) {
        Picture translucent = ScreenLike(64, 48);
        translucent.pixels[100] = (alpha << 24) | (translucent.pixels[100] & 0xFFFFFF);
        library.NewImage(0, 0, 0xFFFFFF);
        library.FromPicture(std::move(translucent));
        EXPECT_TRUE(translucent.empty());
        EXPECT_EQ(library.image().pixels.pixels, ScreenLike(64, 48).pixels) << alpha;  // every alpha 0xFF
    }
}

// A screen copy's memory lent to the surface travels with it to the library
// and back for the next capture; the lender sees it held until then, and
// writes into it only for the surface holding it or when no picture does.
// A copy, a capture of another size, or a surface that cannot stay there
// takes its pixels along and never writes into the lent memory.
TEST_F(Library, LentScreenMemoryIsHeldUntilReleasedAndNeverShared) {
    std::vector<std::uint32_t> segment(320 * 200, 0xFF123456u);
    const PixelLender lender(segment.data(), std::make_shared<int>());
    Picture surface = Picture::Sized(320, 200, Picture{});
    lender.LendTo(surface);
    EXPECT_EQ(surface.pixels.data(), segment.data());
    EXPECT_TRUE(lender.FreeFor(surface));
    library.FromPicture(std::move(surface));
    EXPECT_FALSE(lender.FreeFor(Picture{}));  // the library's image holds it
    const Picture copy = library.image().pixels;
    EXPECT_NE(copy.pixels.data(), segment.data());
    Picture next = Picture::Sized(320, 200, library.ReleasePixels());
    EXPECT_TRUE(lender.FreeFor(next));
    lender.TakeBack(next);
    EXPECT_NE(next.pixels.data(), segment.data());
    EXPECT_EQ(next.at(319, 199), 0xFF123456u);
    EXPECT_TRUE(lender.FreeFor(Picture{}));
    lender.LendTo(next);
    next = Picture::Sized(160, 100, std::move(next));
    EXPECT_EQ(next.pixels.data(), segment.data());  // a smaller capture fits in the lent memory
    next = Picture::Filled(640, 400, 0, std::move(next));
    EXPECT_NE(next.pixels.data(), segment.data());
    EXPECT_TRUE(lender.FreeFor(Picture{}));
    EXPECT_EQ(segment[0], 0xFF123456u);
}

// Files are written while they are encoded: a write that fails part way (a
// full disk) stops every encoder with the writer's own error.
TEST_F(Library, AFailingWriteStopsEveryEncoderWithItsError) {
    Load(ScreenLike(1920, 1080));
    const Image& image = library.image();
    for (int format = 0; format < 3; ++format) {
        std::size_t written = 0;
        const ByteSink failing = [&](std::span<const std::uint8_t> piece) {
            if ((written += piece.size()) > 100000) throw Error("disk full");
        };
        try {
            if (format == 0) PngEncoder().Encode(image, {}, failing);
            if (format == 1) EncodeJpeg(image, 100, failing);
            if (format == 2) EncodeBmp(image, failing);
            ADD_FAILURE() << format;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "disk full") << format;
        }
    }
}
