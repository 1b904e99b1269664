#include "platform/gnome/gsettings.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <regex>

namespace dudo {

// Everything the child needs is made before the fork; a dconf that hangs
// holds the panel up for two seconds at most, then gsettings is ended.
std::string Gsettings(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>("gsettings")};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return "";
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);  // the copy is not closed on exec
        execvp("gsettings", argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (char buffer[512];;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd readable{out[0], POLLIN, 0};
        if (pid < 0 || left <= 0 || poll(&readable, 1, static_cast<int>(left)) <= 0) {
            if (pid > 0) kill(pid, SIGKILL);
            text.clear();
            break;
        }
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

std::vector<std::string> GsettingsList(const std::string& list) {
    std::vector<std::string> items;
    static const std::regex item("'([^']*)'");
    for (std::sregex_iterator m(list.begin(), list.end(), item), end; m != end; ++m) items.push_back((*m)[1].str());
    return items;
}

std::string GsettingsListText(const std::vector<std::string>& items) {
    std::string text = "[";
    for (const std::string& i : items) text += (text.size() > 1 ? ", '" : "'") + i + "'";
    return text + "]";
}

}  // namespace dudo
