#include "history/KeptStore.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "history/Sha256.h"
#include "platform/output_file.h"

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
    // Copied through an output file of the store itself: a kept file is whole or absent,
    // even when `file` sits on another file system.
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "cannot read " + file;
        return {};
    }
    if (!platform::WriteWholeFile(kept.string(), bytes, error))
        return {};
    fs::remove(file, ec);
    return kept.string();
}

} // namespace history
