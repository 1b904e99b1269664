// JPEG through libjpeg-turbo, reading our BGRX pixels as they are. Grey
// images are written as one-channel JPEG. At quality 90 and above chroma is
// kept at full resolution, so that coloured text on screen stays sharp.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <exception>
#include <memory>
#include <string>

#include "common/error.h"
#include "imagelib/codecs.h"

// libjpeg's errors leave it by a jump back to EncodeJpeg, over C frames only.
// MinGW's setjmp hands longjmp its frame pointer as the frame to unwind to,
// which need not be the frame Windows' unwinder knows it by; the unwind then
// runs off the stack (it did under Wine). Without a frame longjmp only
// restores registers, as glibc's does.
#ifdef _WIN64
#define DUDO_SETJMP(buffer) _setjmp((buffer), nullptr)
#else
#define DUDO_SETJMP(buffer) setjmp(buffer)
#endif

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

// Compressed bytes go to the sink 64 KB at a time, as they are made. A
// failing sink (a full disk) leaves libjpeg the way its own errors do.
struct SinkDestination {
    jpeg_destination_mgr base;
    const ByteSink* sink;
    ErrorManager* errors;
    std::exception_ptr failure;
    JOCTET buffer[64 * 1024];

    static SinkDestination& Of(j_compress_ptr info) { return *reinterpret_cast<SinkDestination*>(info->dest); }
    void Pass(std::size_t size) {
        try {
            (*sink)(std::span<const std::uint8_t>(buffer, size));
        } catch (...) {
            failure = std::current_exception();
        }
        if (failure) std::longjmp(errors->jump, 1);  // outside the handler, which must end first
        base.next_output_byte = buffer;
        base.free_in_buffer = sizeof buffer;
    }
    static void Init(j_compress_ptr info) {
        Of(info).base.next_output_byte = Of(info).buffer;
        Of(info).base.free_in_buffer = sizeof Of(info).buffer;
    }
    static boolean Empty(j_compress_ptr info) {
        Of(info).Pass(sizeof Of(info).buffer);
        return TRUE;
    }
    static void Term(j_compress_ptr info) { Of(info).Pass(sizeof Of(info).buffer - Of(info).base.free_in_buffer); }
};

}  // namespace

void EncodeJpeg(const Image& image, int quality, const ByteSink& sink) {
    if (image.empty()) throw Error("JPEG：圖像是空的 (empty image)");
    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    auto destination = std::make_unique<SinkDestination>();
    destination->base.init_destination = SinkDestination::Init;
    destination->base.empty_output_buffer = SinkDestination::Empty;
    destination->base.term_destination = SinkDestination::Term;
    destination->sink = &sink;
    destination->errors = &errors;
    std::vector<std::uint8_t> greyRow;
    if (DUDO_SETJMP(errors.jump)) {
        jpeg_destroy_compress(&info);
        if (destination->failure) std::rethrow_exception(destination->failure);
        throw Error(std::string("JPEG：") + errors.message);
    }
    jpeg_create_compress(&info);
    info.dest = &destination->base;
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
}

Bytes EncodeJpeg(const Image& image, int quality) {
    return Collect([&](const ByteSink& sink) { EncodeJpeg(image, quality, sink); });
}

}  // namespace dudo
