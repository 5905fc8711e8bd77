// The program folder: where the running executable sits, beside its transport libraries
// and data folders.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// Full path of the running executable (from /proc/self/exe); empty when it cannot be read.
std::string ExecutablePath();

// The folder of `executablePath`, ending with '/'; empty when the path holds no '/'.
std::string FolderOf(const std::string& executablePath);

// The folder of the running executable, ending with '/'. Empty when it cannot be found,
// so that files below it are then looked up relative to the current directory.
std::string ProgramFolder();

// The folder the data folders of the installation sit in, ending with '/':
// QUORVEL_PROGRAM_DIR when set (as for tests), else the program folder.
std::string InstallationDataBase();

// The user's own data folder of the program, ending with '/': "$XDG_DATA_HOME/quorvel/",
// or "~/.local/share/quorvel/" when XDG_DATA_HOME is unset, empty or not absolute. Empty
// when neither XDG_DATA_HOME nor a home folder is known. Not created here.
std::string UserDataBase();

// The folder where files of one kind are kept by default, ending with '/': kind is
// "Programs" (program files), "Datalogs" (datalog CSV files) or "Binaries" (firmware
// packages). Below the installation base (InstallationDataBase) when that folder (or the
// kind's folder in it) is writable, as in a build tree or a portable copy; otherwise below
// the user's data folder, as for a system-wide installation. The folder is created when
// missing; a folder that cannot be created is still returned, so that the caller's own
// file operation reports the failure.
std::string DefaultDataFolder(const std::string& kind);

// The data folder itself, ending with '/', for files kept directly in it (the service
// history): the installation base when writable, otherwise the user's data folder; created
// when missing.
std::string DefaultDataBase();

// The folders where files of `kind` are looked for, in order, each ending with '/':
// DefaultDataFolder(kind) first, then the installation's own folder of that kind when it
// differs (packages shipped with a system-wide installation stay found there).
std::vector<std::string> DataFolderSearchPath(const std::string& kind);

// The choice DefaultDataFolder makes, on explicit places: `installBase` + kind when
// `isWritable` says the installation's folder of that kind (or, when it does not exist yet,
// `installBase` itself) is writable, else `userBase` + kind (`installBase` + kind again
// when `userBase` is empty). Nothing is created.
std::string ChooseDataFolder(const std::string& kind, const std::string& installBase,
                             const std::string& userBase,
                             const std::function<bool(const std::string&)>& isWritable);

} // namespace platform
