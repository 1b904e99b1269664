// One guard for the X errors a call is expected to cause (a window that
// vanishes during a grab, a key another client holds).
#pragma once
#include <X11/Xlib.h>

namespace dudo {

// Syncs, catches the X errors of the calls made in between, restores.
class ErrorGuard {
public:
    explicit ErrorGuard(Display* display) : display_(display) {
        XSync(display_, False);
        failed_ = false;
        previous_ = XSetErrorHandler(&ErrorGuard::Handler);
    }
    ~ErrorGuard() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    bool failed() {
        XSync(display_, False);
        return failed_;
    }

private:
    static int Handler(Display*, XErrorEvent*) {
        failed_ = true;
        return 0;
    }
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
    static inline bool failed_ = false;
};

}  // namespace dudo
