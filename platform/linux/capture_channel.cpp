#include "platform/linux/capture_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <QByteArray>
#include <QTimer>
#include <optional>

#include "common/error.h"

namespace dudo {

namespace {

using namespace wire;

constexpr int kRequestDeadlineMs = 1000;  // the whole request, however its bytes come
constexpr std::size_t kMostCallers = 8;

// The second start's token, for the toolkit to show the panel with: under
// Wayland a program may bring its window to the front only with a token
// from the desktop, which the launcher handed to the second start.
void TakeActivationToken(const std::string& token) {
    const bool plain = !token.empty() && token.size() <= kTokenSize &&
                       token.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-.:") == std::string::npos;
    if (plain) qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
}

}  // namespace

struct CaptureChannel::Caller {
    int fd = -1;
    std::string heard;
    std::unique_ptr<QSocketNotifier> notifier;
};

CaptureChannel::CaptureChannel(const std::string& path, std::function<void(Ask)> serve)
    : path_(path), serve_(std::move(serve)) {
    const sockaddr_un address = Address(path_);
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) throw Error(std::string("capture socket: ") + std::strerror(errno));
    unlink(path_.c_str());  // a killed instance's: the lock says none runs
    const mode_t mask = umask(077);  // owner-only from the moment it exists
    const int bound = bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    umask(mask);
    if (bound != 0 || listen(fd_, 4) != 0) {
        const std::string why = std::strerror(errno);
        close(fd_);
        throw Error("capture socket " + path_ + ": " + why);
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Serve(); });
}

CaptureChannel::~CaptureChannel() {
    for (auto& caller : callers_)
        if (caller->fd >= 0) close(caller->fd);
    notifier_.reset();
    if (fd_ >= 0) close(fd_);
    unlink(path_.c_str());
}

void CaptureChannel::Serve() {
    const int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid() || callers_.size() >= kMostCallers) {
        close(client);
        return;
    }
    auto& caller = *callers_.emplace_back(std::make_unique<Caller>());
    caller.fd = client;
    caller.notifier = std::make_unique<QSocketNotifier>(client, QSocketNotifier::Read);
    QObject::connect(caller.notifier.get(), &QSocketNotifier::activated, [this, &caller] { Read(caller); });
    QTimer::singleShot(kRequestDeadlineMs, caller.notifier.get(), [this, late = &caller] {
        for (auto& c : callers_)
            if (c.get() == late) return Drop(*c);
    });
}

// What has come so far; once it is a whole request, it is answered and served.
void CaptureChannel::Read(Caller& caller) {
    char buffer[kRequestSize + kTokenSize + 2];
    bool ended = false;  // the client has sent all it will
    for (ssize_t n;;) {
        n = recv(caller.fd, buffer, sizeof buffer, 0);
        if (n == 0) {
            ended = true;
            break;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            return Drop(caller);
        }
        caller.heard.append(buffer, static_cast<std::size_t>(n));
        if (caller.heard.size() > sizeof buffer) return Drop(caller);
        if (n < static_cast<ssize_t>(sizeof buffer)) break;
    }
    const std::string& heard = caller.heard;
    std::optional<Ask> asked;
    if (heard.size() >= kRequestSize && heard.compare(0, kRequestSize, RequestText(Ask::Capture)) == 0) asked = Ask::Capture;
    if (heard.size() >= kRequestSize && heard.compare(0, kRequestSize, RequestText(Ask::ShowPanel)) == 0) {
        const auto end = heard.find('\n', kRequestSize);
        if (end == std::string::npos) return;  // the token's line is still coming
        TakeActivationToken(heard.substr(kRequestSize, end - kRequestSize));
        asked = Ask::ShowPanel;
    }
    const bool known = heard.size() < kRequestSize ? std::string(RequestText(Ask::Capture)).starts_with(heard) ||
                                                         std::string(RequestText(Ask::ShowPanel)).starts_with(heard)
                                                   : asked.has_value();
    if (!asked) return known && !ended ? void() : Drop(caller);
    [[maybe_unused]] ssize_t n = send(caller.fd, kTaken, sizeof kTaken - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    Drop(caller);
    serve_(*asked);
}

// Closes the connection. Its notifier may be the one whose signal runs
// now, and serving may run the loop: it goes when the loop comes back, and
// the caller after it.
void CaptureChannel::Drop(Caller& caller) {
    if (caller.fd < 0) return;
    caller.notifier->setEnabled(false);
    caller.notifier.release()->deleteLater();
    close(caller.fd);
    caller.fd = -1;
    QTimer::singleShot(0, notifier_.get(), [this, gone = &caller] { callers_.remove_if([gone](const auto& c) { return c.get() == gone; }); });
}

}  // namespace dudo
