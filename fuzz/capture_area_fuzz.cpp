// The capture area and the scaled size from any texts in the range fields
// and the scale box: a size or an Error, never undefined arithmetic.
#include <cstdint>
#include <cstring>
#include <string>

#include "capture/capturer.h"
#include "fuzz/fields.h"
#include "common/error.h"
#include "platform/null/null_platform.h"

using dudo::fuzz::Field;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static dudo::NullPlatform platform;
    static dudo::Form1 form([] { return std::make_unique<dudo::ImageLibrary>("/nonexistent"); });
    static const bool ready = (form.SetDefaults(), true);
    (void)ready;
    dudo::Capturer capturer(form, platform);
    form.Combo1.setText("指定範圍");
    for (int i = 0; i < 4; ++i) form.Text1(i).setText(Field(data, size));
    const std::string scale = Field(data, size);
    try {
        const dudo::Capturer::CaptureArea area = capturer.WorkOutArea();
        if (area.Width > 0 && area.Height > 0) (void)dudo::ScaledSize(area.Width, area.Height, scale);
    } catch (const dudo::Error&) {
    }
    return 0;
}
