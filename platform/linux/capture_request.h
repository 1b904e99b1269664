// The capture channel's wire and its command side, without the toolkit:
// `dudo --capture` and a second start ask the running instance before the
// toolkit is loaded, so that the desktop's key binding costs what a small
// program costs. The listening side is CaptureChannel.
// Implements: the lock's and the socket's places, per user and display.
#pragma once
#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <string>

namespace dudo {

enum class Ask { Capture, ShowPanel };

namespace wire {
constexpr std::size_t kRequestSize = 8;  // every request, "capture\n" or "present\n"
inline const char* RequestText(Ask ask) { return ask == Ask::ShowPanel ? "present\n" : "capture\n"; }
constexpr char kTaken[] = "ok\n";
// A request to show the panel is followed by one line: the activation token
// the desktop gave the second start (empty where it gave none).
constexpr std::size_t kTokenSize = 255;
sockaddr_un Address(const std::string& path);  // throws dudo::Error when too long
void SetTimeout(int fd, int ms);
}  // namespace wire

// Whether this is a Wayland session (WAYLAND_DISPLAY, or XDG_SESSION_TYPE).
bool WaylandSession();
// The single-instance lock's path, or the socket's beside it, with that
// ending; throws dudo::Error where no private folder can hold them.
std::string InstancePath(const char* ending);
inline std::string CaptureSocketPath() { return InstancePath(".sock"); }

// Asks the instance of this user on this display: 0 when it took the
// request; otherwise says why on standard error and returns 1.
int RequestInstance(Ask ask);

}  // namespace dudo
