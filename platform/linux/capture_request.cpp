#include "platform/linux/capture_request.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/error.h"

namespace dudo {

sockaddr_un wire::Address(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) throw Error("socket path too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

void wire::SetTimeout(int fd, int ms) {
    const timeval t{ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
}

bool WaylandSession() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return (display && *display) || (type && std::string(type) == "wayland");
}

namespace {

// Without a runtime folder, a folder of our own in /tmp, which anyone may
// write: taken only when it is a real folder, ours, that no one else may
// enter, so that no other user can put a lock or a socket of theirs there.
std::string PrivateFolder() {
    const std::string folder = "/tmp/dudo-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw Error(folder + ": " + std::strerror(errno));
    struct stat st{};
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 077) != 0)
        throw Error(folder + " 不是本使用者專用的資料夾 (is not a private folder of this user's)");
    return folder;
}

}  // namespace

// Per user and per display, in the user's runtime folder.
std::string InstancePath(const char* ending) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* variable = WaylandSession() ? "WAYLAND_DISPLAY" : "DISPLAY";
    std::string display = std::getenv(variable) ? std::getenv(variable) : "";
    for (char& c : display)
        if (c == '/' || c == ':') c = '_';
    const std::string folder = runtime && *runtime ? runtime : PrivateFolder();
    return folder + "/dudo-" + std::to_string(getuid()) + "-display" + display + ending;
}

int RequestInstance(Ask ask) {
    sockaddr_un address{};
    try {
        address = wire::Address(CaptureSocketPath());
    } catch (const Error& failure) {
        std::fprintf(stderr, "dudo: %s\n", failure.what());
        return 1;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int why = errno;
        if (fd >= 0) close(fd);
        if (why == EACCES || why == EPERM)
            std::fprintf(stderr, "dudo: 不允許：執行中的 dudo 屬於另一位使用者 (not allowed: the running dudo is another user's)\n");
        else
            std::fprintf(stderr, "dudo: 此顯示器上沒有執行中的 dudo (no dudo runs on this display)\n");
        return 1;
    }
    // Only our own instance may take the request (and the activation token).
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid()) {
        close(fd);
        std::fprintf(stderr, "dudo: 回應的程式屬於另一位使用者 (what answers there is another user's)\n");
        return 1;
    }
    wire::SetTimeout(fd, 3000);
    std::string request = wire::RequestText(ask);
    if (ask == Ask::ShowPanel) {
        const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
        request += std::string(token && std::strlen(token) <= wire::kTokenSize ? token : "") + "\n";
    }
    char reply[sizeof wire::kTaken] = {};
    const bool taken = send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()) &&
                       recv(fd, reply, sizeof reply - 1, MSG_WAITALL) == sizeof reply - 1 && std::strcmp(reply, wire::kTaken) == 0;
    close(fd);
    if (!taken) std::fprintf(stderr, "dudo: 執行中的 dudo 沒有回應 (the running dudo did not answer)\n");
    return taken ? 0 : 1;
}

}  // namespace dudo
