#include <gtest/gtest.h>

#include <fstream>
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
    void Load(const Picture& picture = ScreenLike(320, 200)) {
        library.NewImage(0, 0, 0xFFFFFF);
        library.FromPicture(picture);
    }
};

}  // namespace

TEST_F(Library, PngIsLosslessAtEveryCompression) {
    for (int level = 1; level <= 7; ++level) {
        Load(source);
        library.PngCompression(level);
        const auto path = library.SaveFile("level" + std::to_string(level));
        EXPECT_EQ(path.extension(), ".png");
        const Decoded png = DecodePng(path);
        EXPECT_EQ(png.channels, 3);
        ASSERT_EQ(png.picture.width, 320);
        ASSERT_EQ(png.picture.height, 200);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x)
                ASSERT_EQ(png.picture.at(x, y) & 0xFFFFFF, source.at(x, y) & 0xFFFFFF) << level << " " << x << "," << y;
    }
}

// Large pictures go out in bands compressed apart and joined: any shape,
// colour or grey, must still read back pixel for pixel.
TEST_F(Library, LargePngsReadBackExactlyAcrossBands) {
    for (auto [w, h, grey] : {std::tuple{1920, 1080, 0}, std::tuple{5, 250000, 0}, std::tuple{2500, 1500, 1}}) {
        const Picture big = ScreenLike(w, h);
        Load(big);
        library.ReduceColours(0, 0, grey);
        const Picture expected = library.image().pixels;
        for (int level : {1, 7}) {
            library.PngCompression(level);
            const Decoded png = DecodePng(library.SaveFile("big" + std::to_string(w) + "-" + std::to_string(level)));
            ASSERT_EQ(png.picture.width, w);
            ASSERT_EQ(png.picture.height, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(png.picture.at(x, y) & 0xFFFFFF, expected.at(x, y) & 0xFFFFFF) << w << " " << x << "," << y;
        }
    }
}

TEST_F(Library, HigherCompressionIsNoLarger) {
    Load(source);
    library.PngCompression(1);
    const auto fast = std::filesystem::file_size(library.SaveFile("fast"));
    library.PngCompression(7);
    const auto small = std::filesystem::file_size(library.SaveFile("small"));
    EXPECT_LE(small, fast);
}

TEST_F(Library, ColourCodesGiveAtMostThatManyColours) {
    for (int code : {1, 4, 8, 16, 32, 64, 128, 216, 256}) {
        Load(source);
        library.ReduceColours(code, 0, 0);
        const Decoded png = DecodePng(library.SaveFile("c" + std::to_string(code)));
        EXPECT_TRUE(png.palette) << code;
        EXPECT_LE(ColourCount(png.picture), static_cast<std::size_t>(code == 1 ? 2 : code)) << code;
        EXPECT_GE(ColourCount(png.picture), 2u) << code;
    }
}

TEST_F(Library, TwoColoursAreBlackAndWhite) {
    Load(source);
    library.ReduceColours(1, 0, 0);
    const Picture& pixels = library.image().pixels;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x) {
            const auto c = pixels.at(x, y) & 0xFFFFFF;
            ASSERT_TRUE(c == 0 || c == 0xFFFFFF);
        }
}

TEST_F(Library, GreyscaleGivesGreyPixelsInEveryFormat) {
    for (int format : {1, 2, 3}) {
        Load(source);
        library.ReduceColours(0, 0, 1);
        library.SaveFormat(format);
        const auto path = library.SaveFile("grey" + std::to_string(format));
        const Decoded decoded = format == 1 ? DecodeJpeg(path) : format == 2 ? DecodeGif(path) : DecodePng(path);
        EXPECT_TRUE(AllGrey(decoded.picture)) << format;
        if (format != 2) {
            EXPECT_EQ(decoded.channels, 1) << format;
        }
    }
    Load(source);
    library.ReduceColours(16, 0, 1);
    const Decoded png = DecodePng(library.SaveFile("grey16"));
    EXPECT_TRUE(AllGrey(png.picture));
    EXPECT_LE(ColourCount(png.picture), 16u);
}

TEST_F(Library, ReduceWithZerosLeavesTheImageUntouched) {
    Load(source);
    library.ReduceColours(0, 0, 0);
    EXPECT_FALSE(library.image().indexed());
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_EQ(library.image().pixels.at(x, y), source.at(x, y));
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
    EXPECT_EQ(plain.picture.width, 320);
    // Close to the source at high quality: mean error of a few levels.
    double error = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) error += std::abs(Green(plain.picture.at(x, y)) - Green(source.at(x, y)));
    EXPECT_LT(error / (320 * 200), 4.0);
}

TEST_F(Library, GifQuantisesTrueColourAndInterlacesOnRequest) {
    Load(source);
    library.SaveFormat(2);
    const auto path = library.SaveFile("plain");
    EXPECT_EQ(path.extension(), ".gif");
    const Decoded gif = DecodeGif(path);
    EXPECT_EQ(gif.picture.width, 320);
    EXPECT_LE(ColourCount(gif.picture), 256u);
    EXPECT_FALSE(gif.interlaced);
    library.GifFlagA(true);
    library.GifFlagB(true);
    const auto interlacedPath = library.SaveFile("interlaced");
    const Decoded interlaced = DecodeGif(interlacedPath);
    std::ifstream header(interlacedPath, std::ios::binary);
    char version[7] = {};
    header.read(version, 6);
    EXPECT_STREQ(version, "GIF89a");
    EXPECT_TRUE(interlaced.interlaced);
    // The flat title bar survives quantising exactly, in the right rows.
    EXPECT_EQ(interlaced.picture.at(300, 3) & 0xFFFFFF, source.at(300, 3) & 0xFFFFFF);
    EXPECT_EQ(interlaced.picture.at(10, 100) & 0xFFFFFF, source.at(10, 100) & 0xFFFFFF);
}

TEST_F(Library, ReducedGifKeepsItsPalette) {
    Load(source);
    library.ReduceColours(8, 0, 0);
    library.SaveFormat(2);
    const Decoded gif = DecodeGif(library.SaveFile("eight"));
    EXPECT_LE(ColourCount(gif.picture), 8u);
    EXPECT_EQ(gif.picture.at(5, 5), library.image().pixels.at(5, 5) | 0xFF000000u);
}

TEST_F(Library, BmpRoundTripsThroughLoadFile) {
    Load(source);
    library.SaveFormat(4);
    const auto path = library.SaveFile("round");
    EXPECT_EQ(path.extension(), ".bmp");
    ImageLibrary other(folder.path());
    other.LoadFile(path.string());
    ASSERT_EQ(other.ImageWidth(), 320);
    ASSERT_EQ(other.ImageHeight(), 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_EQ(other.image().pixels.at(x, y), source.at(x, y) | 0xFF000000u);
}

TEST(Bmp, RejectsDamagedFiles) {
    Image image;
    image.pixels = ScreenLike(17, 9);
    Bytes good = EncodeBmp(image);
    EXPECT_EQ(DecodeBmp(good).width(), 17);
    Bytes truncated(good.begin(), good.end() - 10);
    EXPECT_THROW(DecodeBmp(truncated), Error);
    Bytes huge = good;
    huge[18] = huge[19] = huge[20] = 0xFF;  // width far beyond the file and the budget
    huge[21] = 0x7F;
    EXPECT_THROW(DecodeBmp(huge), Error);
    Bytes badBits = good;
    badBits[28] = 13;
    EXPECT_THROW(DecodeBmp(badBits), Error);
    EXPECT_THROW(DecodeBmp(Bytes{'B', 'M', 0}), Error);
    ImageLibrary library;
    EXPECT_THROW(library.LoadFile("/nonexistent/initialize.bmp"), Error);
}

TEST_F(Library, ResizeGivesExactlyTheAskedSize) {
    Load(ScreenLike(1366, 768));
    library.Resize(1708, 960);
    EXPECT_EQ(library.ImageWidth(), 1708);
    EXPECT_EQ(library.ImageHeight(), 960);
    library.Resize(427, 240);
    EXPECT_EQ(library.ImageWidth(), 427);
    // Shrinking a flat area keeps its colour.
    EXPECT_EQ(library.image().pixels.at(200, 2) & 0xFFFFFF, 0x0078D7u);
}

TEST_F(Library, ResizeOfAReducedImageKeepsItsColours) {
    Load(source);
    library.ReduceColours(4, 0, 0);
    library.Resize(500, 300);
    EXPECT_LE(ColourCount(library.image().pixels), 4u);
    EXPECT_TRUE(library.image().indexed());
}

TEST_F(Library, EmptyAndOversizedImagesAreRefused) {
    Load(source);
    EXPECT_THROW(library.Resize(0, 0), Error);
    EXPECT_THROW(library.Resize(100000, 100000), Error);
    EXPECT_THROW(library.Resize(-5, 10), Error);
    EXPECT_EQ(library.ImageWidth(), 320);  // a refused resize changes nothing
    library.NewImage(0, 0, 0xFFFFFF);
    library.FromPicture(Picture{});
    library.ReduceColours(16, 0, 1);
    for (int format : {1, 2, 3, 4}) {
        library.SaveFormat(format);
        EXPECT_THROW(library.SaveFile("empty"), Error);
    }
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Library, SettingsOutsideTheirRangesAreRefused) {
    EXPECT_THROW(library.SaveFormat(5), Error);
    EXPECT_THROW(library.PngCompression(0), Error);
    EXPECT_THROW(library.JpegQuality(101), Error);
    EXPECT_EQ(library.settings().format, FileFormat::Png);
}

TEST(Version, NamesTheLinkedCodecs) {
    const std::string text = ImageLibrary().VersionText();
    for (const char* name : {"libdeflate", "libjpeg-turbo", "giflib", "libimagequant", "pixman"})
        EXPECT_NE(text.find(name), std::string::npos) << name;
}

TEST_F(Library, AHandedOverPictureIsTakenOpaqueAndLeftEmpty) {
    for (std::uint32_t alpha : {0xFFu, 0x00u, 0x80u}) {
        Picture translucent = ScreenLike(64, 48);
        translucent.pixels[100] = (alpha << 24) | (translucent.pixels[100] & 0xFFFFFF);
        const Picture expected = ScreenLike(64, 48);
        library.NewImage(0, 0, 0xFFFFFF);
        library.FromPicture(std::move(translucent));
        EXPECT_TRUE(translucent.empty());
        EXPECT_EQ(library.image().pixels.pixels, expected.pixels) << alpha;  // every alpha 0xFF
    }
}
