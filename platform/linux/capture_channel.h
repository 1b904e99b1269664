// CaptureChannel: the running instance's side of `dudo --capture`, which
// asks it (RequestInstance) to capture now, as a Print Screen press would,
// for desktops where the window manager owns the key and the user binds it
// to that command; a second start asks it to bring its panel to the front.
// Implements: a Unix socket beside the single-instance lock, owner-only (the
// file's mode and the peer's credentials), one request a connection; a stale
// socket of a killed instance is replaced by the next instance. Requests are
// read as their bytes come, never waited for, each within one deadline, so
// a client that trickles or stalls never holds up the panel or a capture.
// Leaves out: any other request.
#pragma once
#include <QSocketNotifier>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "platform/linux/capture_request.h"

namespace dudo {

class CaptureChannel {
public:
    // Listens at `path`; `serve` runs on the UI thread for each request.
    // Call only while holding the single-instance lock.
    CaptureChannel(const std::string& path, std::function<void(Ask)> serve);
    ~CaptureChannel();
    CaptureChannel(const CaptureChannel&) = delete;
    CaptureChannel& operator=(const CaptureChannel&) = delete;

private:
    struct Caller;
    void Serve();
    void Read(Caller& caller);
    void Drop(Caller& caller);
    std::string path_;
    std::function<void(Ask)> serve_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::list<std::unique_ptr<Caller>> callers_;
};

}  // namespace dudo
