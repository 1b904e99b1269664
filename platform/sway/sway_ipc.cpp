#include "platform/sway/sway_ipc.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/error.h"

namespace dudo {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::uint32_t kGetTree = 4;

constexpr std::uint32_t kLargestReply = 64u << 20;
constexpr int kPatienceMs = 1000;  // a sway that stops answering cannot hold the panel up

// All of it, or false; a peer gone early is a failure, not SIGPIPE.
bool Exchange(int fd, void* data, std::size_t size, bool sending) {
    auto* bytes = static_cast<char*>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = sending ? send(fd, bytes + done, size - done, MSG_NOSIGNAL) : recv(fd, bytes + done, size - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// One request on a fresh connection; the reply's payload.
std::string Ask(std::uint32_t type) {
    const char* path = std::getenv("SWAYSOCK");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!path || std::strlen(path) >= sizeof address.sun_path) throw Error("SWAYSOCK 不可用 (SWAYSOCK is unusable)");
    std::strcpy(address.sun_path, path);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval patience{kPatienceMs / 1000, (kPatienceMs % 1000) * 1000};
    if (fd >= 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    }
    char header[14];
    std::memcpy(header, kMagic, 6);
    const std::uint32_t empty = 0;
    std::memcpy(header + 6, &empty, 4);
    std::memcpy(header + 10, &type, 4);
    std::string payload;
    bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              Exchange(fd, header, sizeof header, true) && Exchange(fd, header, sizeof header, false);
    const std::optional<std::uint32_t> length = ok ? SwayReplyLength(header) : std::nullopt;
    if (length) payload.resize(*length);  // checked before anything is made of that size
    ok = length && Exchange(fd, payload.data(), *length, false);
    if (fd >= 0) close(fd);
    if (!ok) throw Error("sway 沒有回答現用視窗的位置 (sway did not tell where the focused window is)");
    return payload;
}

std::optional<QJsonObject> Focused(const QJsonObject& node) {
    if (node.value("focused").toBool()) return node;
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node.value(children).toArray())
            if (auto found = Focused(child.toObject())) return found;
    return std::nullopt;
}

}  // namespace

bool SwayRuns() {
    const char* path = std::getenv("SWAYSOCK");
    return path && *path;
}

std::optional<std::uint32_t> SwayReplyLength(const char* header) {
    if (std::memcmp(header, kMagic, 6) != 0) return std::nullopt;
    std::uint32_t length;
    std::memcpy(&length, header + 6, 4);
    return length < kLargestReply ? std::optional(length) : std::nullopt;
}

std::optional<Rect> SwayFocusedWindow() { return SwayFocusedWindowIn(Ask(kGetTree)); }

std::optional<Rect> SwayFocusedWindowIn(const std::string& tree) {
    const auto node = Focused(QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object());
    if (!node || !node->contains("pid")) return std::nullopt;  // a workspace, not a window
    const QJsonObject rect = node->value("rect").toObject(), title = node->value("deco_rect").toObject();
    const int x = rect.value("x").toInt(), y = rect.value("y").toInt();
    // The title bar lies above the container's rectangle.
    return Rect{x, y - title.value("height").toInt(), x + rect.value("width").toInt(), y + rect.value("height").toInt()};
}

}  // namespace dudo
