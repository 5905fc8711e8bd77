#include "history/KeptStore.h"

#include <filesystem>

#include "history/Sha256.h"

namespace history {

std::string KeepProgram(const std::string& file, const std::string& folder, std::string& error) {
    namespace fs = std::filesystem;
    std::string sha;
    std::uint64_t size = 0;
    if (!Sha256OfFile(file, sha, size)) {
        error = "cannot read " + file;
        return {};
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path kept = fs::path(folder) / (sha + ".vqap");
    if (fs::exists(kept, ec)) {
        fs::remove(file, ec);
        return kept.string();
    }
    // Through a temporary name in the store itself: a kept file is whole or absent, even when
    // `file` sits on another file system.
    const fs::path temporary = fs::path(folder) / (sha + ".vqap.part");
    fs::copy_file(file, temporary, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(temporary, kept, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        error = kept.string() + ": " + ec.message();
        return {};
    }
    fs::remove(file, ec);
    return kept.string();
}

} // namespace history
