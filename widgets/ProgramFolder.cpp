#include "widgets/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {
std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}
} // namespace

ProgramFolderLookup FindProgramFolder(const std::string& modulePath, const std::string& exeName) {
    ProgramFolderLookup out;
    if (exeName.empty())
        return out;
    // The last occurrence: a folder may carry the program's name too.
    std::size_t pos = Upper(modulePath).rfind(Upper(exeName));
    if (pos == std::string::npos)
        return out;
    out.position = static_cast<int>(pos);
    out.folder = modulePath.substr(0, pos);
    return out;
}

std::string ProgramFolder() {
    if (const char* env = std::getenv("QUORVEL_PROGRAM_DIR"); env && *env) {
        std::string dir = env;
        if (dir.back() != '/')
            dir += '/';
        return dir;
    }
    if (!QCoreApplication::instance())
        return {};
    std::string path = QCoreApplication::applicationFilePath().toStdString();
    std::string name = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    return FindProgramFolder(path, name).folder;
}
