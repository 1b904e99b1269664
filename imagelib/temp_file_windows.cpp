#include <windows.h>

#include <random>

#include "common/utf8.h"
#include "imagelib/temp_file.h"

namespace dudo {

namespace {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? text : L"";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
    return Utf8FromPath(message) + " (" + std::to_string(code) + ")";
}

[[noreturn]] void Fail(const std::filesystem::path& name, DWORD code) { FailToSave(name, SystemMessage(code)); }

HANDLE Handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

TempFile::TempFile(const std::filesystem::path& folder, const std::string& baseName) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path path =
            folder / PathFromUtf8("." + baseName + "." + std::to_string(random()) + ".tmp");
        // CREATE_NEW never opens what is there, a planted link included.
        const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            path_ = path;
            handle_ = reinterpret_cast<std::intptr_t>(h);
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) Fail(folder / PathFromUtf8(baseName), GetLastError());
    }
    Fail(folder / PathFromUtf8(baseName), ERROR_FILE_EXISTS);
}

bool TempFile::IsLeftOver(const std::filesystem::path& file) {
    const std::string name = Utf8FromPath(file.filename());
    if (name.size() < 7 || name[0] != '.' || !name.ends_with(".tmp")) return false;
    const std::string stem = name.substr(1, name.size() - 5);  // "<name>.<number>"
    const auto dot = stem.rfind('.');
    if (dot == std::string::npos || dot + 1 == stem.size()) return false;
    const std::string base = stem.substr(0, dot), number = stem.substr(dot + 1);
    const bool pictureName = base == "initialize.bmp" || (!base.empty() && base.find_first_not_of("0123456789- ") == std::string::npos);
    std::error_code error;
    return pictureName && number.find_first_not_of("0123456789") == std::string::npos && std::filesystem::is_regular_file(std::filesystem::symlink_status(file, error));
}

TempFile::~TempFile() {
    if (handle_ != -1) CloseHandle(Handle(handle_));
    if (!path_.empty()) DeleteFileW(path_.c_str());
}

void TempFile::Write(std::span<const std::uint8_t> bytes, const std::filesystem::path& name) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(Handle(handle_), bytes.data() + done, chunk, &written, nullptr)) Fail(name, GetLastError());
        if (written == 0) Fail(name, ERROR_DISK_FULL);
        done += written;
    }
}

void TempFile::Finish(const std::filesystem::path& name) {
    if (!FlushFileBuffers(Handle(handle_))) Fail(name, GetLastError());
    const HANDLE h = Handle(handle_);
    handle_ = -1;
    if (!CloseHandle(h)) Fail(name, GetLastError());
}

bool TempFile::MoveTo(const std::filesystem::path& target) {
    // Without MOVEFILE_REPLACE_EXISTING a taken name, link or not, is kept.
    if (MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        path_.clear();
        return true;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return false;
    Fail(target, code);
}

void TempFile::SyncFolder(const std::filesystem::path&) {}  // MOVEFILE_WRITE_THROUGH has done it

}  // namespace dudo
