#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>

namespace platform {

namespace {

// The temporary names of the fallback files open now.
std::mutex& PendingMutex() {
    static std::mutex mutex;
    return mutex;
}
std::set<std::string>& Pending() {
    static std::set<std::string> names;
    return names;
}

void Track(const std::string& name, bool open) {
    std::lock_guard<std::mutex> lock(PendingMutex());
    if (open)
        Pending().insert(name);
    else
        Pending().erase(name);
}

std::string FolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string NameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// O_TMPFILE is refused with EOPNOTSUPP by file systems without unnamed files, and with
// EISDIR or EINVAL by kernels that do not know it.
bool NoUnnamedFiles(int errorNumber) {
    return errorNumber == EOPNOTSUPP || errorNumber == EISDIR || errorNumber == EINVAL;
}

// Linking an unnamed file goes through its /proc/self/fd entry.
bool ProcFdAvailable() {
    return ::access("/proc/self/fd", X_OK) == 0;
}

} // namespace

OutputFile::~OutputFile() {
    Discard();
}

bool OutputFile::Open(const std::string& path) {
    Discard();
    path_ = path;
    error_.clear();
#ifdef O_TMPFILE
    if (ProcFdAvailable()) {
        fd_ = ::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return true;
        if (!NoUnnamedFiles(errno))
            return Fail(errno);
    }
#endif
    tempPath_ = path + ".part";
    Track(tempPath_, true);
    fd_ = ::open(tempPath_.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int e = errno;
        Track(tempPath_, false);
        tempPath_.clear();
        return Fail(e);
    }
    return true;
}

bool OutputFile::Write(std::string_view bytes) {
    if (fd_ < 0)
        return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : ENOSPC);
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

bool OutputFile::LinkUnnamed() {
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd_);
    if (::linkat(AT_FDCWD, procPath, AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST)
        return Fail(errno);
    // A file of that name is replaced in one step: linked under a temporary name first.
    const std::string temporary = path_ + "." + std::to_string(::getpid()) + ".part";
    ::unlink(temporary.c_str());
    if (::linkat(AT_FDCWD, procPath, AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return Fail(errno);
    if (::rename(temporary.c_str(), path_.c_str()) != 0) {
        const int e = errno;
        ::unlink(temporary.c_str());
        return Fail(e);
    }
    return true;
}

bool OutputFile::Commit() {
    if (fd_ < 0)
        return false;
    if (::fdatasync(fd_) != 0 && errno != EINVAL)
        return Fail(errno);
    if (tempPath_.empty()) {
        if (!LinkUnnamed())
            return false;
    } else if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        return Fail(errno);
    } else {
        Track(tempPath_, false);
        tempPath_.clear();
    }
    // The bytes are on the disk already: a failing close loses nothing.
    ::close(fd_);
    fd_ = -1;
    return true;
}

void OutputFile::Discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        Track(tempPath_, false);
        tempPath_.clear();
    }
}

bool OutputFile::Fail(int errorNumber) {
    error_ = "Cannot write the file " + NameOf(path_) + " in the folder " + FolderOf(path_) + ": " +
             std::strerror(errorNumber) + ".";
    Discard();
    return false;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error) {
    OutputFile file;
    if (file.Open(path) && file.Write(bytes) && file.Commit())
        return true;
    error = file.Error();
    return false;
}

void RemovePendingOutputFiles() {
    std::lock_guard<std::mutex> lock(PendingMutex());
    for (const std::string& name : Pending())
        ::unlink(name.c_str());
    Pending().clear();
}

} // namespace platform
