// Package folders, file-name rules and the version list, newest first.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "firmware/FirmwareFolders.h"

namespace {

using namespace transfer::fw;

class TempFolder {
  public:
    TempFolder() {
        path_ = std::filesystem::temp_directory_path() /
                ("qfw_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string str() const { return path_.string(); }
    void Touch(const std::string& name) const { std::ofstream(path_ / name) << "x"; }

  private:
    std::filesystem::path path_;
};

std::vector<std::string> Versions(const std::vector<PackageEntry>& entries) {
    std::vector<std::string> out;
    for (const PackageEntry& e : entries)
        out.push_back(e.version.text);
    return out;
}

TEST(FirmwareFolders, FolderOfEachModel) {
    EXPECT_STREQ(PackageFolderOfModel(0)->modelName, "Larch");
    EXPECT_STREQ(PackageFolderOfModel(2)->modelName, "Spruce");
    EXPECT_STREQ(PackageFolderOfModel(8)->modelName, "Alder");
    EXPECT_STREQ(PackageFolderOfModel(8)->familyMarker, "_5");
    EXPECT_STREQ(PackageFolderOfModel(10)->modelName, "Rowan");
    EXPECT_STREQ(PackageFolderOfModel(15)->familyFolder, "Trel");
    EXPECT_STREQ(PackageFolderOfModel(16)->familyMarker, "_7");
    for (int model : {1, 4, 5, 11, 13, 17, 255})
        EXPECT_FALSE(PackageFolderOfModel(model)) << model;
    EXPECT_EQ(PackageFolderPath("/opt/q/Binaries/", *PackageFolderOfModel(3)),
              "/opt/q/Binaries/T71/Cedar");
    EXPECT_EQ(PackageFolderPath("/opt/q/Binaries", *PackageFolderOfModel(14)),
              "/opt/q/Binaries/Trel/Hazel");
}

TEST(FirmwareFolders, FileNameRulesAndVersionsNewestFirst) {
    TempFolder dir;
    for (const char* name :
         {"Larch_1_02_07_2_4_-1--------.vqfw", "Larch_1_10_00_2_4_-1--------.vqfw",
          "Larch_1_9_03_2_4_-1--------.vqfw",  // 7-character version
          "Larch_1_10_00_2_4_0---------.vqfw", // French
          "Larch_1_10_00_2_5_-1--------.vqfw", // another family marker
          "Cedar_1_11_00_2_4_-1--------.vqfw", // another model
          "Larch_1_11_00_2_4_-1--------.vqfw.bak", "Larch_1_11_00_2_4_-1--------x.vqfw",
          "Larch_1_1a_00_2_4_-1--------.vqfw", "XLarch_1_12_00_2_4_-1--------.vqfw",
          "Larch_1_12_000_2_4_-1--------.vqfw"})
        dir.Touch(name);
    std::filesystem::create_directory(dir.str() + "/Larch_1_13_00_2_4_-1--------.vqfw");
    const PackageFolder larch = *PackageFolderOfModel(0);
    const auto english = ListPackages(dir.str(), larch, LanguageFromCode("en"));
    EXPECT_EQ(Versions(english), (std::vector<std::string>{"1.10.00", "1.9.03", "1.02.07"}));
    EXPECT_EQ(english[0].name, "Larch_1_10_00_2_4_-1--------.vqfw");
    EXPECT_EQ(english[0].path, dir.str() + "/Larch_1_10_00_2_4_-1--------.vqfw");
    EXPECT_EQ(Versions(ListPackages(dir.str(), larch, LanguageFromCode("fr"))),
              (std::vector<std::string>{"1.10.00"}));
    EXPECT_TRUE(ListPackages(dir.str(), larch, LanguageFromCode("de")).empty());
    EXPECT_TRUE(ListPackages(dir.str() + "/missing", larch, 1).empty());
}

TEST(FirmwareFolders, UserFolderThenInstallationFolderMergedNewestFirst) {
    TempFolder dir;
    const PackageFolder larch = *PackageFolderOfModel(0);
    const std::string user = dir.str() + "/user", install = dir.str() + "/install";
    std::filesystem::create_directories(PackageFolderPath(user, larch));
    std::filesystem::create_directories(PackageFolderPath(install, larch));
    const std::string mine = PackageFileName(larch, 1, 11, 0, 1);
    const std::string shipped = PackageFileName(larch, 1, 10, 0, 1);
    std::ofstream(PackageFolderPath(user, larch) + "/" + mine) << "x";
    std::ofstream(PackageFolderPath(user, larch) + "/" + shipped) << "x";
    std::ofstream(PackageFolderPath(install, larch) + "/" + shipped) << "x";
    std::ofstream(PackageFolderPath(install, larch) + "/" + PackageFileName(larch, 1, 2, 7, 1))
        << "x";

    const auto all = ListPackages({user, install}, larch, 1);
    EXPECT_EQ(Versions(all), (std::vector<std::string>{"1.11.00", "1.10.00", "1.02.07"}));
    // The same file name in both: the user's copy is the one offered.
    EXPECT_EQ(all[1].path, PackageFolderPath(user, larch) + "/" + shipped);
    EXPECT_EQ(all[2].path.rfind(PackageFolderPath(install, larch), 0), 0u);

    EXPECT_TRUE(AnyPackageFolder({dir.str() + "/none", install}, larch));
    EXPECT_FALSE(AnyPackageFolder({dir.str() + "/none"}, larch));
}

TEST(FirmwareFolders, FileNamesFromVersionsAndLanguages) {
    TempFolder dir;
    const PackageFolder larch = *PackageFolderOfModel(0);
    // Only the two Larch files in English: 1.10.00 first, none in French.
    dir.Touch(PackageFileName(larch, 1, 2, 7, 1));
    dir.Touch(PackageFileName(larch, 1, 10, 0, 1));
    EXPECT_EQ(PackageFileName(larch, 1, 2, 7, 1), "Larch_1_02_07_2_4_-1--------.vqfw");
    EXPECT_EQ(Versions(ListPackages(dir.str(), larch, 1)),
              (std::vector<std::string>{"1.10.00", "1.02.07"}));
    EXPECT_TRUE(ListPackages(dir.str(), larch, 0).empty());

    EXPECT_EQ(PackageFileName(*PackageFolderOfModel(14), 1, 2, 0, 4),
              "Hazel_1_02_00_2_7_----4-----.vqfw");
    EXPECT_EQ(PackageFileName(larch, 10, 0, 0, 1), "");
    EXPECT_EQ(PackageFileName(larch, 1, 0, 0, 5), "");
    for (int language = 0; language < kLanguageCount; ++language) {
        const std::string name = PackageFileName(larch, 2, 3, 4, language);
        for (int other = 0; other < kLanguageCount; ++other)
            EXPECT_EQ(MatchPackageFileName(name, larch, other).has_value(), other == language);
    }
    EXPECT_EQ(LanguageFromCode("it"), 4);
    EXPECT_EQ(LanguageFromCode("EN"), -1);
    EXPECT_EQ(ParseVersionText("1.10.00")->i, 10);
    EXPECT_FALSE(ParseVersionText("1.10"));
    EXPECT_FALSE(ParseVersionText("1.100.0"));
    EXPECT_EQ(ModelDisplayName(61430002), "Trel Hazel 16");
    EXPECT_EQ(ModelDisplayName(12345678), "Unknown device");
}

} // namespace
