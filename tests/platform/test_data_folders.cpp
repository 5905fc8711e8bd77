// Default data folders: below the installation when it is writable, else in the user's
// data folder; shipped files still found below the installation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <unistd.h>

#include "platform/program_folder.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// The folder with its trailing '/', as the data folder functions give folders.
class TempFolder {
  public:
    std::string Path() const { return folder_.Path() + "/"; }

  private:
    testsupport::TempFolder folder_;
};

// Sets (or unsets, with nullopt) an environment variable for the scope of a test.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name))
            saved_ = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

} // namespace

TEST(DataFolders, UserBaseFollowsXdgDataHomeOrHome) {
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/data/alice");
        EXPECT_EQ(platform::UserDataBase(), "/data/alice/quorvel/");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/data/bob/");
        EXPECT_EQ(platform::UserDataBase(), "/data/bob/quorvel/");
    }
    ScopedEnv home("HOME", "/home/tech");
    for (const char* ignored : {"", "relative/share"}) {
        ScopedEnv xdg("XDG_DATA_HOME", std::string(ignored));
        EXPECT_EQ(platform::UserDataBase(), "/home/tech/.local/share/quorvel/") << ignored;
    }
    ScopedEnv unset("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(platform::UserDataBase(), "/home/tech/.local/share/quorvel/");
}

TEST(DataFolders, ChoiceFollowsWhetherTheInstallationIsWritable) {
    TempFolder install;
    std::string asked;
    auto writable = [&](const std::string& folder) {
        asked = folder;
        return true;
    };
    auto readOnly = [&](const std::string& folder) {
        asked = folder;
        return false;
    };
    const std::string user = "/home/tech/.local/share/quorvel/";
    EXPECT_EQ(platform::ChooseDataFolder("Programs", install.Path(), user, writable),
              install.Path() + "Programs/");
    EXPECT_EQ(asked, install.Path()); // no Programs folder yet: the installation decides
    EXPECT_EQ(platform::ChooseDataFolder("Datalogs", install.Path(), user, readOnly),
              user + "Datalogs/");

    // An existing kind folder decides by itself (a read-only Binaries in a writable tree).
    fs::create_directory(install.Path() + "Binaries");
    EXPECT_EQ(platform::ChooseDataFolder("Binaries", install.Path(), user, readOnly),
              user + "Binaries/");
    EXPECT_EQ(asked, install.Path() + "Binaries/");

    // Without a user folder there is nowhere else to go.
    EXPECT_EQ(platform::ChooseDataFolder("Programs", install.Path(), "", readOnly),
              install.Path() + "Programs/");
}

TEST(DataFolders, WritableInstallationKeepsItsFoldersAndCreatesThem) {
    TempFolder install, user;
    ScopedEnv dir("QUORVEL_PROGRAM_DIR", install.Path());
    ScopedEnv xdg("XDG_DATA_HOME", user.Path());
    EXPECT_EQ(platform::DefaultDataFolder("Programs"), install.Path() + "Programs/");
    EXPECT_TRUE(fs::is_directory(install.Path() + "Programs"));
    EXPECT_FALSE(fs::exists(user.Path() + "quorvel"));
    EXPECT_EQ(platform::DataFolderSearchPath("Binaries"),
              std::vector<std::string>{install.Path() + "Binaries/"});
}

TEST(DataFolders, UnwritableInstallationUsesTheUserFolderAndStillSearchesShippedFiles) {
    TempFolder user;
    // A program folder that cannot be written, whoever runs the test (root included).
    const std::string install = user.Path() + "missing/usr/lib/quorvel/";
    ScopedEnv dir("QUORVEL_PROGRAM_DIR", install);
    ScopedEnv xdg("XDG_DATA_HOME", user.Path() + "share");
    const std::string expected = user.Path() + "share/quorvel/Datalogs/";
    EXPECT_EQ(platform::DefaultDataFolder("Datalogs"), expected);
    EXPECT_TRUE(fs::is_directory(expected)); // created on first use
    EXPECT_EQ(
        platform::DataFolderSearchPath("Binaries"),
        (std::vector<std::string>{user.Path() + "share/quorvel/Binaries/", install + "Binaries/"}));
}

TEST(DataFolders, ReadOnlyFolderIsNotChosenForAnOrdinaryUser) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    TempFolder install, user;
    fs::permissions(install.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    ScopedEnv dir("QUORVEL_PROGRAM_DIR", install.Path());
    ScopedEnv xdg("XDG_DATA_HOME", user.Path());
    EXPECT_EQ(platform::DefaultDataFolder("Programs"), user.Path() + "quorvel/Programs/");
    fs::permissions(install.Path(), fs::perms::owner_all);
}
