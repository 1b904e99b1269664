// JPEG through libjpeg-turbo, reading our BGRX pixels as they are. Grey
// images are written as one-channel JPEG. At quality 90 and above chroma is
// kept at full resolution, so that coloured text on screen stays sharp.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <string>

#include "common/error.h"
#include "imagelib/codecs.h"

namespace dudo {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, manager->message);
    std::longjmp(manager->jump, 1);
}

}  // namespace

Bytes EncodeJpeg(const Image& image, int quality) {
    if (image.empty()) throw Error("JPEG：圖像是空的 (empty image)");
    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<std::uint8_t> greyRow;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw Error(std::string("JPEG：") + errors.message);
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = image.width();
    info.image_height = image.height();
    info.input_components = image.grey ? 1 : 4;
    info.in_color_space = image.grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (!image.grey && quality >= 90)
        for (int c = 0; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    if (image.grey) greyRow.resize(image.width());
    while (info.next_scanline < info.image_height) {
        const std::uint32_t* px = image.pixels.row(info.next_scanline);
        JSAMPROW row;
        if (image.grey) {
            for (int x = 0; x < image.width(); ++x) greyRow[x] = Blue(px[x]);
            row = greyRow.data();
        } else {
            row = reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(px));
        }
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

}  // namespace dudo
