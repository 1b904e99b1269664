#include "platform/linux/capture_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QByteArray>

#include "common/error.h"

namespace dudo {

namespace {

// What is sent for each request, all of one length.
constexpr std::size_t kRequestSize = 8;
const char* RequestText(CaptureChannel::Ask ask) { return ask == CaptureChannel::Ask::ShowPanel ? "present\n" : "capture\n"; }
constexpr char kTaken[] = "ok\n";
// A request to show the panel is followed by one line: the activation token
// the desktop gave the second start (empty where it gave none).
constexpr std::size_t kTokenSize = 255;

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

sockaddr_un Address(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) throw Error("socket path too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

void SetTimeout(int fd, int ms) {
    const timeval t{ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
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

int CaptureChannel::Request(const std::string& path, Ask ask) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = Address(path);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int why = errno;
        if (fd >= 0) close(fd);
        if (why == EACCES || why == EPERM)
            std::fprintf(stderr, "dudo: 不允許：執行中的 dudo 屬於另一位使用者 (not allowed: the running dudo is another user's)\n");
        else
            std::fprintf(stderr, "dudo: 此顯示器上沒有執行中的 dudo (no dudo runs on this display)\n");
        return 1;
    }
    SetTimeout(fd, 3000);
    std::string request = RequestText(ask);
    if (ask == Ask::ShowPanel) {
        const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
        request += std::string(token && std::strlen(token) <= kTokenSize ? token : "") + "\n";
    }
    char reply[sizeof kTaken] = {};
    const bool taken = send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()) &&
                       recv(fd, reply, sizeof reply - 1, MSG_WAITALL) == sizeof reply - 1 && std::strcmp(reply, kTaken) == 0;
    close(fd);
    if (!taken) std::fprintf(stderr, "dudo: 執行中的 dudo 沒有回應 (the running dudo did not answer)\n");
    return taken ? 0 : 1;
}

}  // namespace dudo
