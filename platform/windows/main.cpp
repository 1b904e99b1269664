// The program on Windows: build the platform, hand it to the application.
#include <cstdio>

#include "app/application.h"
#include "platform/windows/windows_platform.h"

int main() {
    dudo::WindowsPlatform platform;
    try {
        dudo::Application app(platform);
        return app.Run();
    } catch (const std::exception& failure) {
        // An unhandled failure at start-up: tell the user, then end.
        std::fprintf(stderr, "dudo: %s\n", failure.what());
        platform.MessageBox("dudo進階版", failure.what());
        return 1;
    }
}
