// A fresh folder below the system's temporary folder for one test, removed with everything
// in it at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testsupport {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Without a trailing '/'.
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

} // namespace testsupport
