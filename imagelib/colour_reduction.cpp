#include "imagelib/colour_reduction.h"

#include <libimagequant.h>

#include <memory>
#include <string>

#include "common/error.h"

namespace dudo {

namespace {

int Luminance(std::uint32_t p) { return (299 * Red(p) + 587 * Green(p) + 114 * Blue(p) + 500) / 1000; }

// Fills pixels from palette and indices.
void Repaint(Image& image) {
    const std::size_t n = static_cast<std::size_t>(image.width()) * image.height();
    for (std::size_t i = 0; i < n; ++i) {
        const int x = static_cast<int>(i % image.width()), y = static_cast<int>(i / image.width());
        image.pixels.row(y)[x] = image.palette[image.indices[i]];
    }
}

template <class T, void (*Free)(T*)> struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Attr = std::unique_ptr<liq_attr, Deleter<liq_attr, liq_attr_destroy>>;
using LiqImage = std::unique_ptr<liq_image, Deleter<liq_image, liq_image_destroy>>;
using Result = std::unique_ptr<liq_result, Deleter<liq_result, liq_result_destroy>>;

void Check(liq_error error, const char* step) {
    if (error != LIQ_OK) throw Error(std::string("減色失敗 (colour reduction failed: ") + step + ")");
}

}  // namespace

void MakeGrey(Image& image) {
    for (int y = 0; y < image.height(); ++y) {
        std::uint32_t* row = image.pixels.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const int l = Luminance(row[x]);
            row[x] = Rgb(l, l, l);
        }
    }
    for (std::uint32_t& c : image.palette) {
        const int l = Luminance(c);
        c = Rgb(l, l, l);
    }
    image.grey = true;
}

void MakeBlackAndWhite(Image& image) {
    image.palette = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
    image.indices.resize(static_cast<std::size_t>(image.width()) * image.height());
    std::size_t i = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.indices[i++] = Luminance(image.pixels.row(y)[x]) >= 128;
    Repaint(image);
    image.grey = true;
}

Image Quantise(const Image& image, int colours, bool dithered) {
    const int w = image.width(), h = image.height();
    // libimagequant reads RGBA bytes; ours are BGRA words.
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
    std::size_t o = 0;
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = image.pixels.row(y);
        for (int x = 0; x < w; ++x) {
            rgba[o++] = Red(row[x]);
            rgba[o++] = Green(row[x]);
            rgba[o++] = Blue(row[x]);
            rgba[o++] = 255;
        }
    }
    Attr attr(liq_attr_create());
    if (!attr) throw Error("減色失敗 (colour reduction failed: out of memory)");
    Check(liq_set_max_colors(attr.get(), colours), "colours");
    Check(liq_set_speed(attr.get(), 10), "speed");
    LiqImage input(liq_image_create_rgba(attr.get(), rgba.data(), w, h, 0));
    if (!input) throw Error("減色失敗 (colour reduction failed: image)");
    liq_result* raw = nullptr;
    Check(liq_image_quantize(input.get(), attr.get(), &raw), "quantise");
    Result result(raw);
    Check(liq_set_dithering_level(result.get(), dithered ? 1.0f : 0.0f), "dithering");

    Image out;
    out.pixels = image.pixels;
    out.indices.resize(static_cast<std::size_t>(w) * h);
    Check(liq_write_remapped_image(result.get(), input.get(), out.indices.data(), out.indices.size()), "remap");
    const liq_palette* palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color c = palette->entries[i];
        // A grey image keeps grey entries exactly.
        out.palette.push_back(image.grey ? Rgb(c.g, c.g, c.g) : Rgb(c.r, c.g, c.b));
    }
    out.grey = image.grey;
    Repaint(out);
    return out;
}

}  // namespace dudo
