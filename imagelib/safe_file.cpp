#include "imagelib/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/error.h"

namespace dudo {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& name, int error) {
    throw Error("無法存檔 (cannot save) " + name.string() + ": " + std::strerror(error));
}

class TempFile {
public:
    TempFile(const std::filesystem::path& folder, const std::string& baseName) {
        path_ = (folder / ("." + baseName + ".XXXXXX")).string();
        fd_ = mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0) Fail(folder / baseName, errno);
        // mkostemp makes the file private; a picture gets the usual mode.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd_, 0666 & ~mask);
    }
    ~TempFile() {
        if (fd_ >= 0) close(fd_);
        if (!path_.empty()) unlink(path_.c_str());
    }
    void WriteAll(std::span<const std::uint8_t> bytes, const std::filesystem::path& name) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) Fail(name, n < 0 ? errno : ENOSPC);
            done += static_cast<std::size_t>(n);
        }
        if (fdatasync(fd_) != 0) Fail(name, errno);
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) Fail(name, errno);
    }
    // Moves the file to `target` unless that name is taken; false when taken.
    bool MoveTo(const std::filesystem::path& target) {
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

private:
    std::string path_;
    int fd_ = -1;
};

void SyncFolder(const std::filesystem::path& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);  // best effort: the file itself is already on disk
    close(fd);
}

}  // namespace

std::filesystem::path WriteNewFile(const std::filesystem::path& folder, const std::string& baseName,
                                   const std::string& extension, std::span<const std::uint8_t> bytes) {
    if (baseName.empty() || baseName.find('/') != std::string::npos || baseName[0] == '.')
        throw Error("無法存檔 (cannot save): 檔名無效 (invalid name \"" + baseName + "\")");
    TempFile temp(folder, baseName);
    temp.WriteAll(bytes, folder / (baseName + extension));
    for (int n = 1; n < 100000; ++n) {
        const std::string name = n == 1 ? baseName + extension : baseName + " (" + std::to_string(n) + ")" + extension;
        const std::filesystem::path target = folder / name;
        if (temp.MoveTo(target)) {
            SyncFolder(folder);
            return target;
        }
    }
    Fail(folder / (baseName + extension), EEXIST);
}

}  // namespace dudo
