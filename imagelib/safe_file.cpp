#include "imagelib/safe_file.h"

#include <chrono>

#include "common/error.h"
#include "common/utf8.h"
#include "imagelib/temp_file.h"

namespace dudo {

void FailToSave(const std::filesystem::path& name, const std::string& reason) {
    throw Error("無法存檔 (cannot save) " + Utf8FromPath(name) + ": " + reason);
}

std::filesystem::path WriteNewFile(const std::filesystem::path& folder, const std::string& baseName,
                                   const std::string& extension, std::span<const std::uint8_t> bytes) {
    return WriteNewFile(folder, baseName, extension, [&](const ByteSink& sink) { sink(bytes); });
}

std::filesystem::path WriteNewFile(const std::filesystem::path& folder, const std::string& baseName,
                                   const std::string& extension, const std::function<void(const ByteSink&)>& write) {
    if (baseName.empty() || baseName.find_first_of("/\\") != std::string::npos || baseName[0] == '.')
        throw Error("無法存檔 (cannot save): 檔名無效 (invalid name \"" + baseName + "\")");
    TempFile temp(folder, baseName);
    const std::filesystem::path wanted = folder / PathFromUtf8(baseName + extension);  // for messages
    write([&](std::span<const std::uint8_t> bytes) { temp.Write(bytes, wanted); });
    temp.Finish(wanted);
    for (int n = 1; n < 100000; ++n) {
        const std::string name = n == 1 ? baseName + extension : baseName + " (" + std::to_string(n) + ")" + extension;
        const std::filesystem::path target = folder / PathFromUtf8(name);
        if (temp.MoveTo(target)) {
            TempFile::SyncFolder(folder);
            return target;
        }
    }
    FailToSave(folder / PathFromUtf8(baseName + extension), "每個名稱都已使用 (every name is taken)");
}

void RemoveStalePartialFiles(const std::filesystem::path& folder) noexcept {
    // Another instance, on another display, may be saving into the same folder.
    constexpr auto kLongerThanAnySave = std::chrono::minutes(10);
    std::error_code error;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const auto touched = std::filesystem::last_write_time(entry.path(), error);
        if (!error && now - touched > kLongerThanAnySave && TempFile::IsLeftOver(entry.path())) std::filesystem::remove(entry.path(), error);
    }
}

}  // namespace dudo
