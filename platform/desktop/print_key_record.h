// PrintKeyRecord: what dudo changed in a desktop's key settings to receive
// Print Screen, or that the user declined, kept in the user's config folder
// (~/.config/dudo/<name>), so that the question is asked once and the
// change can be undone.
#pragma once
#include <filesystem>
#include <string>

namespace dudo {

// The user's home: HOME, or where the password database puts it when a
// session sets none (never a shared folder such as /tmp).
std::filesystem::path UserHome();
// Replaces the file's text as a safe save does (a temporary file beside it,
// flushed, then renamed over it), making its folder; throws dudo::Error when it cannot.
void SaveText(const std::filesystem::path& file, const std::string& text);

class PrintKeyRecord {
public:
    explicit PrintKeyRecord(const std::string& name);
    bool Exists() const { return !file_.empty() && std::filesystem::exists(file_); }
    std::string Read() const;
    // Replaces the record (SaveText); throws dudo::Error when it cannot.
    void Write(const std::string& record) const;
    void Remove() const {
        std::error_code ignored;
        std::filesystem::remove(file_, ignored);
    }

private:
    std::filesystem::path file_;
};

}  // namespace dudo
