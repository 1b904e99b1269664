// PrintKeyRecord: what dudo changed in a desktop's key settings to receive
// Print Screen, or that the user declined, kept in the user's config folder
// (~/.config/dudo/<name>), so that the question is asked once and the
// change can be undone.
#pragma once
#include <filesystem>
#include <string>

namespace dudo {

class PrintKeyRecord {
public:
    explicit PrintKeyRecord(const std::string& name);
    bool Exists() const { return std::filesystem::exists(file_); }
    std::string Read() const;
    void Write(const std::string& record) const;
    void Remove() const { std::filesystem::remove(file_); }

private:
    std::filesystem::path file_;
};

}  // namespace dudo
