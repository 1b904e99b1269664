#include "platform/linux/capture_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <QByteArray>

#include "common/error.h"

namespace dudo {

namespace {

using namespace wire;

// The second start's token, for the toolkit to show the panel with: under
// Wayland a program may bring its window to the front only with a token
// from the desktop, which the launcher handed to the second start.
void TakeActivationToken(int client) {
    char line[kTokenSize + 2] = {};
    std::size_t size = 0;
    while (size < kTokenSize + 1 && recv(client, line + size, 1, 0) == 1 && line[size] != '\n') ++size;
    const std::string token(line, size);
    const bool plain = !token.empty() && token.size() <= kTokenSize &&
                       token.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-.:") == std::string::npos;
    if (plain) qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
}

}  // namespace

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
    notifier_.reset();
    if (fd_ >= 0) close(fd_);
    unlink(path_.c_str());
}

void CaptureChannel::Serve() {
    const int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    ucred peer{};
    socklen_t size = sizeof peer;
    char request[kRequestSize + 1] = {};
    SetTimeout(client, 500);  // a client that says nothing cannot hold the panel up
    const bool ours = getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
    const bool heard = ours && recv(client, request, kRequestSize, MSG_WAITALL) == static_cast<ssize_t>(kRequestSize);
    for (Ask ask : {Ask::Capture, Ask::ShowPanel})
        if (heard && std::strcmp(request, RequestText(ask)) == 0) {
            if (ask == Ask::ShowPanel) TakeActivationToken(client);
            [[maybe_unused]] ssize_t n = send(client, kTaken, sizeof kTaken - 1, MSG_NOSIGNAL);
            close(client);
            serve_(ask);
            return;
        }
    close(client);
}

}  // namespace dudo
