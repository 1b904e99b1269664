// The system's half of a safe save: a temporary file created exclusively in
// the target folder, written and flushed, then moved to a name only if that
// name is free. Unless moved, it is removed when it goes.
#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace dudo {

[[noreturn]] void FailToSave(const std::filesystem::path& name, const std::string& reason);

class TempFile {
public:
    TempFile(const std::filesystem::path& folder, const std::string& baseName);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Appends all of `bytes`; `name` is the file's name in messages.
    void Write(std::span<const std::uint8_t> bytes, const std::filesystem::path& name);
    // Flushes what was written to disk and closes the file.
    void Finish(const std::filesystem::path& name);
    // Moves the file to `target` unless that name is taken; false when taken.
    bool MoveTo(const std::filesystem::path& target);
    const std::filesystem::path& path() const { return path_; }
    // Whether that file is one such temporary file of a save's (its name
    // made from a picture's name: the clock's digits, a counter, or the
    // start-up scratch picture), this user's own.
    static bool IsLeftOver(const std::filesystem::path& file);
    // Makes the folder's new entry durable, where the system asks for that.
    static void SyncFolder(const std::filesystem::path& folder);

private:
    std::filesystem::path path_, folder_;
    std::intptr_t handle_ = -1;
    std::uint64_t written_ = 0;
    std::uint64_t writingBehindTo_ = 0;  // handed to the disk ahead of Finish
};

}  // namespace dudo
