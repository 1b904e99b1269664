#include "tests/e2e/x11_desktop.h"

namespace dudo::e2e {

std::unique_ptr<Desktop> MakeX11Desktop(const DesktopOptions& options) { return std::make_unique<X11Desktop>(options); }

}  // namespace dudo::e2e
