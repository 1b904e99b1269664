#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/utf8.h"
#include "imagelib/temp_file.h"

namespace dudo {

namespace {
[[noreturn]] void Fail(const std::filesystem::path& name, int error) { FailToSave(name, std::strerror(error)); }
}  // namespace

TempFile::TempFile(const std::filesystem::path& folder, const std::string& baseName) {
    std::string pattern = (folder / ("." + baseName + ".XXXXXX")).string();
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) Fail(folder / baseName, errno);
    path_ = pattern;
    handle_ = fd;
    folder_ = folder;
}

namespace {

// A finished picture's mode. Screenshots hold what was on the screen,
// passwords and messages among it: in a folder everyone may write (/tmp), the
// picture is the user's alone; elsewhere it has the mode the user's umask
// gives new files, as other programs' files there have.
mode_t FinishedMode(const std::filesystem::path& folder) {
    const mode_t mask = umask(0);
    umask(mask);
    struct stat st{};
    if (stat(folder.c_str(), &st) != 0 || (st.st_mode & S_IWOTH)) return 0600;
    return 0666 & ~mask;
}

}  // namespace

bool TempFile::IsLeftOver(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') return false;
    const std::string base = name.substr(1, name.size() - 8), random = name.substr(name.size() - 6);
    const bool pictureName = base == "initialize.bmp" || (!base.empty() && base.find_first_not_of("0123456789- ") == std::string::npos);
    const bool made = random.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789") == std::string::npos;
    struct stat st{};
    return pictureName && made && lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid();
}

TempFile::~TempFile() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
    if (!path_.empty()) unlink(path_.c_str());
}

void TempFile::Write(std::span<const std::uint8_t> bytes, const std::filesystem::path& name) {
    const int fd = static_cast<int>(handle_);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail(name, n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    written_ += bytes.size();
#ifdef __linux__
    // The disk starts on what has come while the rest is still being
    // encoded, so that Finish waits for the tail, not the whole file. Only
    // a hint: a failure here is Finish's to find.
    constexpr std::uint64_t kWriteBehindBytes = 256 * 1024;
    if (written_ - writingBehindTo_ >= kWriteBehindBytes) {
        sync_file_range(fd, static_cast<off_t>(writingBehindTo_), static_cast<off_t>(written_ - writingBehindTo_),
                        SYNC_FILE_RANGE_WRITE);
        writingBehindTo_ = written_;
    }
#endif
}

void TempFile::Finish(const std::filesystem::path& name) {
    const int fd = static_cast<int>(handle_);
    if (fdatasync(fd) != 0) Fail(name, errno);
    // Private (as mkostemp makes it) while it is written; its mode once whole.
    if (fchmod(fd, FinishedMode(folder_)) != 0) Fail(name, errno);
    handle_ = -1;
    if (close(fd) != 0) Fail(name, errno);
}

bool TempFile::MoveTo(const std::filesystem::path& target) {
    if (renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        path_.clear();
        return true;
    }
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS) Fail(target, errno);
    // File systems without a no-replace rename: link, which never replaces.
    if (link(path_.c_str(), target.c_str()) != 0) {
        if (errno == EEXIST) return false;
        Fail(target, errno);
    }
    return true;  // the destructor unlinks the temporary name
}

void TempFile::SyncFolder(const std::filesystem::path& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);  // best effort: the file itself is already on disk
    close(fd);
}

}  // namespace dudo
