// A device folder of the test's own with pseudo-terminals published in it as ports, as the
// simulator publishes its ports: a link named after the port to the terminal's line. The
// terminals stay open, with nobody answering on them, until the folder goes.
#pragma once

#include <fcntl.h>
#include <filesystem>
#include <pty.h>
#include <stdlib.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

class PtyPortFolder {
  public:
    PtyPortFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quorvel-ports-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            dir_ = pattern;
            ::chmod(dir_.c_str(), 0755);
        }
    }
    ~PtyPortFolder() {
        for (int fd : fds_)
            ::close(fd);
        std::error_code ec;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ec);
    }
    PtyPortFolder(const PtyPortFolder&) = delete;
    PtyPortFolder& operator=(const PtyPortFolder&) = delete;

    // Publishes a new pseudo-terminal as `name`; returns the path of its line, or nothing
    // when no terminal could be opened.
    std::string Publish(const std::string& name) {
        int master = -1, slave = -1;
        char line[256];
        if (::openpty(&master, &slave, line, nullptr, nullptr) != 0)
            return {};
        fds_.push_back(master);
        fds_.push_back(slave);
        std::filesystem::create_symlink(line, dir_ + "/" + name);
        return line;
    }
    // Opens the port as another program would, with its lock held.
    bool Hold(const std::string& name) {
        int fd = ::open((dir_ + "/" + name).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return false;
        fds_.push_back(fd);
        return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    }
    const std::string& Dir() const { return dir_; }

  private:
    std::string dir_;
    std::vector<int> fds_;
};

} // namespace testsupport
