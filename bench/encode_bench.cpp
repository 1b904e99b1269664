// Encoding speed and size of each format and PNG level on the benchmark
// desktop, as ratios against libpng at zlib's default level measured in the
// same run. Not a test: it prints figures.
//   encode_bench [scene.png]   also writes the 1920x1080 desktop there
#include <QGuiApplication>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

#include "imagelib/codecs.h"
#include "imagelib/colour_reduction.h"
#include "bench/scene.h"

using namespace dudo;

namespace {

struct Figure {
    double ms;
    std::size_t bytes;
};

Figure Measure(const std::function<std::size_t()>& encode, int runs) {
    std::vector<double> times;
    std::size_t bytes = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        bytes = encode();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], bytes};
}

std::size_t LibpngDefault(const Image& image) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image.width()) * image.height() * 3);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t p = image.pixels.at(x, y);
            std::uint8_t* o = &rgb[(static_cast<std::size_t>(y) * image.width() + x) * 3];
            o[0] = Red(p), o[1] = Green(p), o[2] = Blue(p);
        }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width();
    png.height = image.height();
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&png, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::vector<std::uint8_t> out(size);
    png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), 0, nullptr);
    return size;
}

void Report(const char* name, const Figure& f, const Figure& base) {
    std::printf("  %-22s %8.1f ms  %9zu bytes   time x%.2f  size x%.2f\n", name, f.ms, f.bytes, f.ms / base.ms,
                static_cast<double>(f.bytes) / base.bytes);
}

}  // namespace

int main(int argc, char** argv) {
    int qtArgc = 3;
    char a0[] = "encode_bench", a1[] = "-platform", a2[] = "offscreen";
    char* qtArgv[] = {a0, a1, a2, nullptr};
    QGuiApplication fonts(qtArgc, qtArgv);  // for the scene's text
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        Image image;
        image.pixels = bench::DesktopScene(w, h);
        if (argc > 1 && w == 1920) {
            const Bytes png = EncodePng(image, 6);
            std::ofstream(argv[1], std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
        }
        const int runs = w > 2000 ? 3 : 7;
        std::printf("%dx%d (median of %d runs; ratios against libpng, zlib default level)\n", w, h, runs);
        const Figure base = Measure([&] { return LibpngDefault(image); }, runs);
        Report("libpng level 6", base, base);
        PngEncoder png;  // as the library keeps it
        auto pngSize = [&](PngEffort effort) {
            std::size_t size = 0;
            png.Encode(image, effort, [&](std::span<const std::uint8_t> piece) { size += piece.size(); });
            return size;
        };
        Report("PNG 1-3 (Sub rows)", Measure([&] { return pngSize({1, RowFilter::Sub}); }, runs), base);
        for (int level = 1; level <= 7; ++level) {
            char name[48];
            std::snprintf(name, sizeof name, "PNG deflate level %d%s", level, level == 1 ? " (4-7)" : "");
            Report(name, Measure([&] { return pngSize({level, RowFilter::Fewest}); }, runs), base);
        }
        Report("JPEG quality 90", Measure([&] { return EncodeJpeg(image, 90).size(); }, runs), base);
        Report("BMP", Measure([&] { return EncodeBmp(image).size(); }, runs), base);
        Report("GIF (quantise+write)", Measure([&] { return EncodeGif(image, false, false).size(); }, runs), base);
        Report("GIF dithered", Measure([&] { return EncodeGif(Quantise(image, 256, true), false, true).size(); }, runs), base);
    }
}
