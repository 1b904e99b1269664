#include "platform/desktop/print_key_record.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/error.h"

namespace dudo {

std::filesystem::path UserHome() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    std::vector<char> buffer(16384);
    passwd entry{}, *found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    return {};
}

PrintKeyRecord::PrintKeyRecord(const std::string& name) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::filesystem::path home = UserHome();
    if (config && *config) file_ = std::filesystem::path(config) / "dudo" / name;
    else if (!home.empty()) file_ = home / ".config" / "dudo" / name;
}

std::string PrintKeyRecord::Read() const {
    std::ostringstream text;
    if (!file_.empty()) text << std::ifstream(file_).rdbuf();
    return text.str();
}

void PrintKeyRecord::Write(const std::string& record) const {
    if (file_.empty()) throw Error("無法記下按鍵設定 (cannot keep the key setting): 沒有家目錄 (no home folder)");
    SaveText(file_, record);
}

void SaveText(const std::filesystem::path& file, const std::string& record) {
    const auto fail = [&](const std::string& why) {
        throw Error("無法寫入 (cannot write) " + file.string() + ": " + why);
    };
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) fail(std::strerror(errno));
    bool written = true;
    for (std::size_t done = 0; written && done < record.size();) {
        const ssize_t n = write(fd, record.data() + done, record.size() - done);
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += static_cast<std::size_t>(n);
    }
    const int why = written && fsync(fd) == 0 ? 0 : errno ? errno : EIO;
    close(fd);
    if (why != 0 || rename(temporary.c_str(), file.c_str()) != 0) {
        const int reason = why ? why : errno;
        unlink(temporary.c_str());
        fail(std::strerror(reason));
    }
}

}  // namespace dudo
