// Names as they are created in or moved into a folder (inotify), from the
// moment the watch is made: the benchmark's clock stops when the picture's
// name appears.
#pragma once
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace dudo::bench {

class FolderWatch {
public:
    explicit FolderWatch(const std::filesystem::path& folder) : fd_(inotify_init1(IN_CLOEXEC)) {
        if (fd_ < 0 || inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0)
            throw std::runtime_error("cannot watch " + folder.string());
    }
    ~FolderWatch() { close(fd_); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // The first new name that `wanted` accepts, or none within the time.
    std::optional<std::string> Next(const std::function<bool(const std::string&)>& wanted, int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        alignas(inotify_event) char buffer[4096];
        for (pollfd p{fd_, POLLIN, 0}; std::chrono::steady_clock::now() < end;) {
            if (poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                if (e->len && wanted(e->name)) return std::string(e->name);
            }
        }
        return std::nullopt;
    }

private:
    int fd_;
};

}  // namespace dudo::bench
