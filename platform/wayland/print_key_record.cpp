#include "platform/wayland/print_key_record.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace dudo {

PrintKeyRecord::PrintKeyRecord(const std::string& name) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    file_ = (config && *config ? std::filesystem::path(config) : std::filesystem::path(home ? home : "/tmp") / ".config") / "dudo" / name;
}

std::string PrintKeyRecord::Read() const {
    std::ostringstream text;
    text << std::ifstream(file_).rdbuf();
    return text.str();
}

void PrintKeyRecord::Write(const std::string& record) const {
    std::error_code ignored;
    std::filesystem::create_directories(file_.parent_path(), ignored);
    std::ofstream(file_) << record;
}

}  // namespace dudo
