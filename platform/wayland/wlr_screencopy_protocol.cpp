#include "platform/wayland/wlr_screencopy_protocol.h"

namespace dudo::wayland {

namespace {

// Per argument: the interface of an object or new object, none otherwise.
const wl_interface* captureOutputTypes[] = {&zwlr_screencopy_frame_v1_interface, nullptr, &wl_output_interface};
const wl_interface* captureOutputRegionTypes[] = {&zwlr_screencopy_frame_v1_interface, nullptr, &wl_output_interface,
                                                   nullptr, nullptr, nullptr, nullptr};
const wl_interface* bufferTypes[] = {&wl_buffer_interface};
const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr};

const wl_message managerRequests[] = {
    {"capture_output", "nio", captureOutputTypes},
    {"capture_output_region", "nioiiii", captureOutputRegionTypes},
    {"destroy", "", nullptr},
};

const wl_message frameRequests[] = {
    {"copy", "o", bufferTypes},
    {"destroy", "", nullptr},
    {"copy_with_damage", "2o", bufferTypes},
};

const wl_message frameEvents[] = {
    {"buffer", "uuuu", noTypes}, {"flags", "u", noTypes},          {"ready", "uuu", noTypes},
    {"failed", "", nullptr},     {"damage", "2uuuu", noTypes},     {"linux_dmabuf", "3uuu", noTypes},
    {"buffer_done", "3", nullptr},
};

}  // namespace

const wl_interface zwlr_screencopy_manager_v1_interface = {"zwlr_screencopy_manager_v1", 3, 3, managerRequests, 0, nullptr};
const wl_interface zwlr_screencopy_frame_v1_interface = {"zwlr_screencopy_frame_v1", 3, 3, frameRequests, 7, frameEvents};

}  // namespace dudo::wayland
