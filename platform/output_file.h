// Output files that never show half written. The bytes go to an unnamed file in the target's
// folder (O_TMPFILE) that gets its name only once complete, so not even a kill -9 or a power
// cut leaves a partial file behind. Where the file system has no unnamed files, a temporary
// name beside the target is used instead: removed on failure, when the OutputFile is
// destroyed without a commit, and by RemovePendingOutputFiles when a command is interrupted.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile(); // a file never committed is discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the file that will become `path`. False with Error() set.
    bool Open(const std::string& path);
    bool Write(std::string_view bytes);
    // Writes the bytes to the disk and gives the file its name, replacing a file of that name.
    bool Commit();
    // Drops what was written; nothing is left behind.
    void Discard();

    const std::string& Path() const { return path_; }
    // Why the last step failed, naming the folder and the cause ("Cannot write the file
    // a.csv in the folder /data: No space left on device.").
    const std::string& Error() const { return error_; }

  private:
    bool Fail(int errorNumber);
    bool LinkUnnamed();

    int fd_ = -1;
    std::string path_;
    std::string tempPath_; // the fallback's temporary name; empty for an unnamed file
    std::string error_;
};

// Writes `bytes` as the whole file `path` through an OutputFile. False with `error` set.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error);

// Removes the temporary names of the output files still open (an interrupted command).
void RemovePendingOutputFiles();

} // namespace platform
