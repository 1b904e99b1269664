// GIF through giflib. An image whose colours were reduced keeps its palette;
// a true-colour image is quantised to 256 colours first.
#include <gif_lib.h>

#include <memory>
#include <string>

#include "common/error.h"
#include "imagelib/codecs.h"
#include "imagelib/colour_reduction.h"

namespace dudo {

namespace {

int WriteToBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

[[noreturn]] void Fail(int code) { throw Error(std::string("GIF：") + GifErrorString(code)); }

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

}  // namespace

Bytes EncodeGif(const Image& source, bool interlaced, bool version89a) {
    if (source.empty()) throw Error("GIF：圖像是空的 (empty image)");
    const Image quantised = source.indexed() ? Image{} : Quantise(source, 256, /*dithered=*/false);
    const Image& image = source.indexed() ? source : quantised;

    int bits = 1;
    while ((1 << bits) < static_cast<int>(image.palette.size())) ++bits;
    std::vector<GifColorType> colours(1 << bits, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < image.palette.size(); ++i)
        colours[i] = {Red(image.palette[i]), Green(image.palette[i]), Blue(image.palette[i])};

    Bytes out;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, WriteToBytes, &error));
    if (!gif) Fail(error);
    ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
    if (!map) throw Error("GIF：記憶體不足 (out of memory)");
    EGifSetGifVersion(gif.get(), version89a);
    const int screenOk = EGifPutScreenDesc(gif.get(), image.width(), image.height(), bits, 0, map);
    const int imageOk = screenOk == GIF_OK && EGifPutImageDesc(gif.get(), 0, 0, image.width(), image.height(), interlaced, nullptr);
    GifFreeMapObject(map);
    if (!imageOk) Fail(gif->Error);
    // Interlaced GIFs store rows in four passes; giflib expects them in that order.
    const int w = image.width(), h = image.height();
    auto put = [&](int y) {
        auto* row = const_cast<GifPixelType*>(image.indices.data() + static_cast<std::size_t>(y) * w);
        if (EGifPutLine(gif.get(), row, w) != GIF_OK) Fail(gif->Error);
    };
    if (interlaced) {
        const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = starts[pass]; y < h; y += steps[pass]) put(y);
    } else {
        for (int y = 0; y < h; ++y) put(y);
    }
    gif.reset();  // writes the trailer
    return out;
}

}  // namespace dudo
