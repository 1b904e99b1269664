#include "platform/wayland/xdg_output_protocol.h"

namespace dudo::wayland {

namespace {

const wl_interface* getXdgOutputTypes[] = {&zxdg_output_v1_interface, &wl_output_interface};
const wl_interface* noTypes[] = {nullptr, nullptr};

const wl_message managerRequests[] = {
    {"destroy", "", nullptr},
    {"get_xdg_output", "no", getXdgOutputTypes},
};

const wl_message outputRequests[] = {
    {"destroy", "", nullptr},
};

const wl_message outputEvents[] = {
    {"logical_position", "ii", noTypes}, {"logical_size", "ii", noTypes}, {"done", "", nullptr},
    {"name", "2s", noTypes},             {"description", "2s", noTypes},
};

}  // namespace

const wl_interface zxdg_output_manager_v1_interface = {"zxdg_output_manager_v1", 3, 2, managerRequests, 0, nullptr};
const wl_interface zxdg_output_v1_interface = {"zxdg_output_v1", 3, 1, outputRequests, 5, outputEvents};

}  // namespace dudo::wayland
